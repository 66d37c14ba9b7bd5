#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <memory>

class QDBusPendingCallWatcher;
namespace zentrel {

class X11ScreenHold;

enum class AwakeMethod { None, Portal, ScreenSaver, X11 };

// Keeps the screen from blanking while held: the desktop portal's idle inhibition where a
// portal answers, else the freedesktop ScreenSaver interface, else (DISPLAY set, neither
// service) the X server's own screen saver and DPMS. At most one inhibition at a time.
// Bus calls are asynchronous: hold() and release() return at once.
class ScreenAwake : public QObject
{
    Q_OBJECT

public:
    explicit ScreenAwake(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                         QObject *parent = nullptr);
    ~ScreenAwake() override; // releases

    void hold(); // again while held: nothing
    void release(); // while not held: nothing

    // Whether hold() was asked for and not released.
    bool isHeld() const { return m_wanted; }
    // What holds the screen now: None while the desktop is still being asked, or when
    // nothing could.
    AwakeMethod method() const { return m_method; }

private:
    void ask(std::size_t way);
    void answered(std::size_t way, QDBusPendingCallWatcher *call);
    void drop();

    QDBusConnection m_bus;
    bool m_wanted = false;
    QDBusPendingCallWatcher *m_asking = nullptr;
    AwakeMethod m_method = AwakeMethod::None;
    std::size_t m_way = 0; // of the bus inhibition held
    QDBusMessage m_answer; // its reply: the portal's request handle or the cookie
    std::unique_ptr<X11ScreenHold> m_x11;
};

} // namespace zentrel
