#pragma once

#include "form1.h"
#include "recordingoutlets.h"
#include "uifont.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

// Answers message boxes at once and remembers them.
struct RecordingMessages : MessagePresenter
{
    MessageAnswer show(QWidget *, const QString &text, MessageButtons buttons) override
    {
        m_shown << text;
        m_buttons << buttons;
        return m_answers.isEmpty() ? MessageAnswer::Ok : m_answers.takeFirst();
    }
    QStringList m_shown;
    QList<MessageButtons> m_buttons;
    QList<MessageAnswer> m_answers;
};

inline const QByteArray CompleteSettings
    = "\"Setting DATA\r\n 999:interval of one second\r\n"
      " 1:moving minutes\r\n 0:moving seconds\r\n 1:reading minutes\r\n"
      " 0:reading seconds\r\n 5:examination minutes\r\n"
      " 0:examination seconds\r\n 1:feedback minutes\r\n"
      " 0:feedback seconds\r\nend\r\n\r\n\"\r\n";

// A fresh current folder for one window, holding the given settings file (none if null).
struct FolderRig
{
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    explicit FolderRig(const QByteArray &settings)
    {
        QDir::setCurrent(dir.path());
        if (!settings.isNull()) {
            QFile file(dir.filePath(QStringLiteral("setting.txt")));
            if (file.open(QIODevice::WriteOnly))
                file.write(settings);
        }
    }
    ~FolderRig() { QDir::setCurrent(previous); }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
};

// The real window over a fake timer and recording cues, started in its own folder.
struct WindowRig
{
    enum class Start { Load, DoNotLoad };

    FolderRig folder;
    QStringList log;
    FakeTickSource ticks { log };
    RecordingCues cues { log };
    RecordingMessages messages;
    Form1 form { { ticks, cues, messages } };

    explicit WindowRig(const QByteArray &settings = CompleteSettings, Start start = Start::Load)
        : folder(settings)
    {
        applyUiFont();
        if (start == Start::Load)
            form.load();
        form.show();
    }
    QLabel *label(int n) { return form.label(n); }
    QPushButton *button(int n) { return form.button(n); }
    QLineEdit *box(int n) { return form.box(n); }
};
