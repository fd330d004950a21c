#pragma once

// Header only, so that the start-up benchmark's bare program waits for its window the same way.

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace tarnwick::platform {

// Calls then() once the window system has exposed the shown window and the window has painted
// itself for it: the moment the user first sees it. Before that, repaint() paints nothing, on X
// and offscreen alike.
inline void whenFirstExposed(QWidget* window, std::function<void()> then)
{
    class Watcher : public QObject
    {
    public:
        Watcher(QWidget* window, std::function<void()> then) : QObject(window), m_then(std::move(then)) {}
        // Runs after the expose has been handled, which is when the window paints.
        void fire()
        {
            if (m_fired)
                return;
            m_fired = true;
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
                fire();
            return false;
        }

    private:
        std::function<void()> m_then;
        bool m_fired = false;
    };

    window->winId(); // makes the native window, so that its expose can be watched
    QWindow* handle = window->windowHandle();
    auto* watcher = new Watcher(window, std::move(then));
    if (handle->isExposed())
        watcher->fire();
    else
        handle->installEventFilter(watcher);
}

} // namespace tarnwick::platform
