#pragma once

#include "form1.h"
#include "recordingoutlets.h"
#include "uifont.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

// The real window over a fake timer and recording cues.
struct WindowRig
{
    QStringList log;
    FakeTickSource ticks { log };
    RecordingCues cues { log };
    RecordingMessages messages;
    Form1 form { { ticks, cues, messages } };

    explicit WindowRig(bool load = true)
    {
        applyUiFont();
        if (load)
            form.load();
        form.show();
    }
    QLabel *label(int n) { return form.label(n); }
    QPushButton *button(int n) { return form.button(n); }
    QLineEdit *box(int n) { return form.box(n); }
};
