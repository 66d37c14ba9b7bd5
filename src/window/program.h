#pragma once

#include "form1.h"
#include "sound/soundsystem.h"
#include "timertick.h"

// The whole program as main() runs it: the window with its real timer, cue players and
// message boxes. load() runs start-up (and its notice, if any); show() shows the window.
class Program
{
public:
    Program();
    Form1 &window() { return m_form; }

private:
    TimerTickSource m_timer1;
    SoundSystem m_sound;
    MessageBoxPresenter m_messages;
    Form1 m_form { { m_timer1, m_sound.cues(), m_messages } };
};
