#include "program.h"

Program::Program()
{
    QObject::connect(&m_timer1.timer(), &QTimer::timeout, &m_form, &Form1::onTimer1);
}
