#pragma once

#include "app/program.h"
#include "clock/gestures.h"
#include "files.h"
#include "recorder.h"
#include "window/uifont.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

// Answers message boxes and the question after an abnormal end at once, as told, and
// remembers them.
struct RecordingMessages : zentrel::MessagePresenter, zentrel::RestartAsker
{
    zentrel::RestartAnswer ask(QWidget *, const zentrel::RestartPlan &plan) override
    {
        shown << zentrel::restartQuestion(plan);
        return restartAnswer;
    }
    zentrel::RestartAnswer restartAnswer = zentrel::RestartAnswer::Fresh;
    zentrel::MessageAnswer show(QWidget *, const QString &text,
                                zentrel::MessageButtons buttons) override
    {
        shown << text;
        this->buttons << buttons;
        return answers.isEmpty() ? zentrel::MessageAnswer::Ok : answers.takeFirst();
    }
    QStringList shown;
    QList<zentrel::MessageButtons> buttons;
    QList<zentrel::MessageAnswer> answers;
};

// The defaults, as the program writes them (tst_settings pins the bytes).
inline const QByteArray CompleteSettings = zentrel::settingsFileBytes({});

// The whole program over the recorder, in a folder of its own holding the given
// setting.txt (none if null; `spoil` may then make it unreadable) and the session log,
// started up and shown. The screen is held on `bus`: by default none, so no desktop is
// asked. Alone unless `rooms` says otherwise; in `folder` if one is given.
struct ProgramRig
{
    bool running() const { return program->clock().state().Timer == zentrel::TimerRun::Running; }
    QTemporaryDir dir;
    QString folder;
    RecordingMessages messages;
    std::unique_ptr<zentrel::Program> program;
    std::unique_ptr<Recorder> out; // every change from start-up on

    explicit ProgramRig(const QByteArray &settings = CompleteSettings,
                        const QDBusConnection &bus = QDBusConnection(QString()),
                        const zentrel::RoomLink &rooms = {},
                        void (*spoil)(const QString &file) = nullptr,
                        zentrel::WebDoors *web = nullptr, const QString &in = {},
                        zentrel::RestartAnswer restartAnswer = zentrel::RestartAnswer::Fresh)
        : folder(in.isEmpty() ? dir.path() : in)
    {
        zentrel::applyUiFont();
        messages.restartAnswer = restartAnswer;
        if (QFile file(path()); !settings.isNull() && file.open(QIODevice::WriteOnly))
            file.write(settings);
        const zentrel::ProgramParts parts {
            zentrel::TickDrive::Manual, messages, folder, folder, bus, {}, rooms, web, &messages
        };
        program = std::make_unique<zentrel::Program>(parts);
        out = std::make_unique<Recorder>(program->clock());
        if (spoil)
            spoil(path());
        program->startUp();
        window().show();
    }
    QString path() const { return QDir(folder).filePath(QStringLiteral("setting.txt")); }
    QByteArray onDisk() const { return readFile(path()); }
    zentrel::Form1 &window() { return program->window(); }
    zentrel::ExamClock &clock() { return program->clock(); }
    QLabel *label(zentrel::Label l) { return window().label(l); }
    // The read-outs as "m:ss".
    QString shown()
    {
        return label(zentrel::Label::Minutes)->text() + u':'
            + label(zentrel::Label::Seconds)->text().rightJustified(2, u'0');
    }
    QPushButton *button(zentrel::Control c)
    {
        return static_cast<QPushButton *>(window().control(c));
    }
    QLineEdit *box(std::size_t slot)
    {
        return static_cast<QLineEdit *>(window().control(zentrel::lengthBox(slot)));
    }
};
