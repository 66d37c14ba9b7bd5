#include "form1.h"

#include "captions.h"
#include "clock/phasetable.h"
#include "controltable.h"
#include "settings/exitsave.h"
#include "settings/notices.h"
#include "uifont.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace {
constexpr QSize ClientSize { 800, 574 };

QColor toQColor(std::uint32_t colour, const QPalette &palette)
{
    if (isSystemColour(colour))
        return palette.color(QPalette::Button); // the one system colour in use: button face
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

void fillLabel(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

MouseRelease toRelease(const QMouseEvent *event)
{
    std::uint16_t button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = LeftButton;
        break;
    case Qt::RightButton:
        button = RightButton;
        break;
    case Qt::MiddleButton:
        button = MiddleButton;
        break;
    default:
        break; // other buttons match no gesture
    }
    std::uint16_t modifiers = 0;
    const Qt::KeyboardModifiers held = event->modifiers();
    if (held & Qt::ShiftModifier)
        modifiers |= ShiftBit;
    if (held & Qt::ControlModifier)
        modifiers |= CtrlBit;
    if (held & Qt::AltModifier)
        modifiers |= AltBit;
    return { button, modifiers };
}

} // namespace

Form1::Form1(WindowOutlets outlets, QWidget *parent)
    : QWidget(parent)
    , m_outlets(outlets)
    , m_clock(outlets.ticks, outlets.cues, *this)
    , m_settings(QDir::currentPath())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(WindowTitle));
    setFixedSize(ClientSize);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
    connectClicks();
}

void Form1::buildControls()
{
    // Created back to front: a later widget stands in front of an earlier one.
    for (const ControlDesign &design : controlTable()) {
        const QString text = QString::fromUtf8(design.text);
        QWidget *widget = nullptr;
        switch (design.kind) {
        case ControlKind::Label: {
            auto *label = new QLabel(text, this);
            label->setAlignment(design.alignment);
            label->setTextFormat(Qt::PlainText);
            if (design.fill == LabelFill::Colour)
                fillLabel(label, toQColor(design.colour, palette()));
            widget = label;
            break;
        }
        case ControlKind::Button: {
            auto *button = new QPushButton(text, this);
            button->setAutoDefault(true); // ENTER on a focused button clicks it
            widget = button;
            break;
        }
        case ControlKind::TextBox: {
            auto *box = new QLineEdit(this);
            box->setAlignment(Qt::AlignCenter);
            box->setTextMargins(0, 0, 0, 0);
            widget = box;
            break;
        }
        }
        widget->setObjectName(QString::fromLatin1(design.name));
        widget->setGeometry(design.geometry);
        m_controls.insert(widget->objectName(), widget);
    }

    std::vector<const ControlDesign *> byTab;
    for (const ControlDesign &design : controlTable()) {
        if (design.kind != ControlKind::Label)
            byTab.push_back(&design);
    }
    std::sort(byTab.begin(), byTab.end(),
              [](auto *a, auto *b) { return a->tabIndex < b->tabIndex; });
    for (std::size_t i = 1; i < byTab.size(); ++i)
        setTabOrder(control(QLatin1String(byTab[i - 1]->name)),
                    control(QLatin1String(byTab[i]->name)));

    // RESET, the skips and the trims act on a mouse release alone, never on a click.
    for (Control c : allControls()) {
        if (releaseCommandOf(c)) {
            widgetFor(c)->installEventFilter(this);
            m_releaseControls.insert(widgetFor(c), c);
        }
    }
}

void Form1::connectClicks()
{
    connect(button(1), &QPushButton::clicked, this, &Form1::onStart);
    connect(button(2), &QPushButton::clicked, this, [this] { m_clock.pause(); });
    connect(button(3), &QPushButton::clicked, this, [this] { m_clock.resume(); });
    connect(button(11), &QPushButton::clicked, this, &Form1::onAbout);
}

void Form1::load()
{
    m_clock.stopForStartUp();
    setStartUpFonts();
    label(13)->setText(displayLines(resetHelpCaption()));
    label(14)->setText(displayLines(skipFiveHelpCaption()));
    label(16)->setText(displayLines(trimHelpCaption()));
    label(17)->setText(displayLines(skipToNextHelpCaption()));
    readSettings();
    m_clock.ApplyTickInterval();
    fillBoxes();
    m_clock.finishStartUp(QString::fromUtf8(ScreenSaverReminder));
    button(1)->setFocus();
}

void Form1::readSettings()
{
    const SettingsReadOutcome outcome = readStartUpValues(m_settings, m_clock.state());
    if (outcome != SettingsReadOutcome::Complete) {
        m_messageText = startUpNotice(outcome);
        m_outlets.messages.show(this, m_messageText, MessageButtons::OkCancelOkDefault);
    }
}

void Form1::closeEvent(QCloseEvent *event)
{
    // The clock is not stopped: ticks go on while the question waits.
    const QString question = QString::fromUtf8(ExitQuestion);
    if (m_outlets.messages.show(this, question, MessageButtons::OkCancelCancelDefault)
        == MessageAnswer::Cancel) {
        event->ignore();
        return;
    }
    const ExitSaveResult saved = saveAtExit(boxTexts(), m_clock.state(), m_settings);
    if (saved.status != ExitSaveStatus::Saved
        && m_outlets.messages.show(this, saved.message, MessageButtons::OkCancelCancelDefault)
            == MessageAnswer::Cancel) {
        event->ignore();
        return;
    }
    event->accept();
}

void Form1::setStartUpFonts()
{
    for (const ControlDesign &design : controlTable()) {
        if (design.startUpPoints > 0)
            control(QLatin1String(design.name))->setFont(uiFont(design.startUpPoints));
    }
}

void Form1::fillBoxes()
{
    const auto &lengths = m_clock.state().PhaseDurations;
    for (int n = 1; n <= 8; ++n)
        box(n)->setText(QString::number(lengths[std::size_t(n - 1)]));
}

std::array<QString, 8> Form1::boxTexts() const
{
    std::array<QString, 8> texts;
    for (int n = 1; n <= 8; ++n)
        texts[std::size_t(n - 1)] = box(n)->text();
    return texts;
}

void Form1::onStart()
{
    if (m_clock.start(boxTexts()) == StartOutcome::Refused)
        m_outlets.messages.show(this, QString::fromUtf8(StartRefusalMessage), MessageButtons::Ok);
}

void Form1::onAbout()
{
    m_messageText = aboutText();
    m_outlets.messages.show(this, m_messageText, MessageButtons::Ok);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const auto released = m_releaseControls.constFind(watched);
    if (event->type() == QEvent::MouseButtonRelease && released != m_releaseControls.cend()) {
        auto *button = static_cast<QWidget *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // Released over the button only: dragging off it is the operator's way out.
        if (button->isEnabled() && button->rect().contains(mouse->position().toPoint()))
            m_clock.mouseReleased(*released, toRelease(mouse));
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *Form1::widgetFor(Control control) const
{
    return this->control(QLatin1String(controlName(control)));
}

QLabel *Form1::label(int n) const
{
    return static_cast<QLabel *>(control(QStringLiteral("Label%1").arg(n)));
}

QPushButton *Form1::button(int n) const
{
    return static_cast<QPushButton *>(control(QStringLiteral("Command%1").arg(n)));
}

QLineEdit *Form1::box(int n) const
{
    return static_cast<QLineEdit *>(control(QStringLiteral("Text%1").arg(n)));
}

void Form1::setMinutesText(const QString &text)
{
    label(3)->setText(text);
}

void Form1::setSecondsText(const QString &text)
{
    label(5)->setText(text);
    Q_EMIT secondsShown();
}

void Form1::setStatusText(const QString &text)
{
    label(1)->setText(text);
}

void Form1::setBarColour(std::uint32_t colour)
{
    fillLabel(label(2), toQColor(colour, palette()));
}

void Form1::setIntervalText(const QString &text)
{
    label(15)->setText(text);
}

void Form1::setOperatingState(OperatingState state)
{
    for (Control control : allControls())
        widgetFor(control)->setEnabled(::isEnabled(state, control));
}
