#include "form1.h"

#include "clock/gestures.h"
#include "clock/phases.h"
#include "texts.h"
#include "uifont.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextDocument>
#include <algorithm>

namespace zentrel {
namespace {
constexpr QSize ClientSize { 800, 574 };

QColor toQColor(std::uint32_t colour, const QPalette &palette)
{
    // The one system colour in use: the bar at rest takes the window's own background.
    if (colour & SystemColourBit)
        return palette.color(QPalette::Window);
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

void fillLabel(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

QWidget *makeControl(Control control, const QString &text, QWidget *parent)
{
    if (isLengthBox(control)) {
        auto *box = new QLineEdit(parent);
        box->setAlignment(Qt::AlignCenter);
        box->setTextMargins(0, 0, 0, 0);
        return box;
    }
    auto *button = new QPushButton(text, parent);
    button->setAutoDefault(true); // ENTER on a focused button clicks it
    return button;
}
} // namespace

Form1::Form1(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(WindowTitle));
    setFixedSize(ClientSize);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
    connectClicks();
    addScreenModeKeys();
}

void Form1::buildControls()
{
    // Created back to front: a later widget stands in front of an earlier one.
    for (const ControlDesign &design : controlTable()) {
        const QString text = QString::fromUtf8(design.text);
        QWidget *widget = nullptr;
        if (const Label *role = std::get_if<Label>(&design.role)) {
            auto *label = new QLabel(text, this);
            label->setAlignment(design.alignment);
            label->setTextFormat(Qt::PlainText);
            if (design.colour != 0)
                fillLabel(label, toQColor(design.colour, palette()));
            m_labels[static_cast<std::size_t>(*role)] = label;
            widget = label;
        } else {
            const Control control = std::get<Control>(design.role);
            widget = makeControl(control, text, this);
            m_controls[indexOf(control)] = widget;
            // RESET, the skips and the trims act on a mouse release alone, never on a click.
            if (releaseGesture(control))
                widget->installEventFilter(this);
        }
        widget->setObjectName(QString::fromLatin1(design.objectName));
        widget->setGeometry(design.geometry);
        if (design.points > 0)
            widget->setFont(uiFont(design.points));
    }

    std::vector<const ControlDesign *> byTab;
    for (const ControlDesign &design : controlTable()) {
        if (std::holds_alternative<Control>(design.role))
            byTab.push_back(&design);
    }
    std::sort(byTab.begin(), byTab.end(),
              [](auto *a, auto *b) { return a->tabIndex < b->tabIndex; });
    for (std::size_t i = 1; i < byTab.size(); ++i)
        setTabOrder(control(std::get<Control>(byTab[i - 1]->role)),
                    control(std::get<Control>(byTab[i]->role)));
}

void Form1::connectClicks()
{
    auto clicks = [this](Control control) {
        return static_cast<QPushButton *>(this->control(control));
    };
    connect(clicks(Control::Start), &QPushButton::clicked, this, &Form1::startClicked);
    connect(clicks(Control::Pause), &QPushButton::clicked, this, &Form1::pauseClicked);
    connect(clicks(Control::Resume), &QPushButton::clicked, this, &Form1::resumeClicked);
    connect(clicks(Control::About), &QPushButton::clicked, this, &Form1::aboutClicked);
}

LengthTexts Form1::lengthTexts() const
{
    LengthTexts texts;
    for (std::size_t slot = 0; slot < texts.size(); ++slot)
        texts[slot] = static_cast<QLineEdit *>(control(lengthBox(slot)))->text();
    return texts;
}

void Form1::showLengths(const PhaseLengths &lengths)
{
    for (std::size_t slot = 0; slot < lengths.size(); ++slot) {
        auto *box = static_cast<QLineEdit *>(control(lengthBox(slot)));
        if (const QString text = QString::number(lengths[slot]); box->text() != text)
            box->setText(text);
    }
}

void Form1::showReminder()
{
    label(Label::Status)->setText(QString::fromUtf8(ScreenSaverReminder));
}

void Form1::showClock(const ClockChange &change)
{
    const ClockState &state = change.state;
    const ClockState before = std::exchange(m_shown, state);
    const bool first = change.cause == ClockCause::StartUp;
    if (first || !change.entered.isEmpty() || state.Phase != before.Phase
        || state.Paused != before.Paused) {
        showStatusText();
        fillLabel(label(Label::PhaseBar), toQColor(phaseRow(state.Phase).colour, palette()));
    }
    if (m_clockControls == ClockControls::Locked)
        showLengths(state.PhaseDurations);
    if (first || change.operatingState() != m_operatingState)
        showOperatingState(change.operatingState());
    label(Label::TickInterval)->setText(QString::number(state.TickIntervalMs));
    if (!change.writesCount())
        return;
    label(Label::Minutes)->setText(QString::number(state.RemainingMinutes));
    label(Label::Seconds)->setText(QString::number(state.RemainingSeconds));
    Q_EMIT secondsShown();
}

void Form1::setStatusMark(StatusMark mark, Presence presence)
{
    const Presence before = std::exchange(m_marks[std::size_t(mark)], presence);
    // In the reset state the status line may hold the start-up reminder: left alone.
    if (before != presence && m_shown.Phase != Phase::Reset)
        showStatusText();
}

void Form1::setStatusTip(const QString &tip)
{
    label(Label::Status)->setToolTip(tip.isEmpty() ? tip : Qt::convertFromPlainText(tip));
}

void Form1::showStatusText()
{
    label(Label::Status)->setText(statusText());
}

void Form1::setClockControls(ClockControls controls)
{
    m_clockControls = controls;
    showOperatingState(m_operatingState);
}

void Form1::showOperatingState(OperatingState state)
{
    m_operatingState = state;
    const bool locked = m_clockControls == ClockControls::Locked;
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const auto control = static_cast<Control>(i);
        m_controls[i]->setEnabled(zentrel::isEnabled(state, control)
                                  && (!locked || control == Control::About));
    }
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto found = std::find(m_controls.begin(), m_controls.end(), watched);
        auto *button = static_cast<QWidget *>(watched);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // Released over the button only: dragging off it is the operator's way out.
        if (found != m_controls.end() && button->isEnabled()
            && button->rect().contains(mouse->position().toPoint()))
            Q_EMIT released(static_cast<Control>(found - m_controls.begin()), mouse->button(),
                            mouse->modifiers());
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_mayClose && !m_mayClose())
        event->ignore();
    else
        event->accept();
}

} // namespace zentrel
