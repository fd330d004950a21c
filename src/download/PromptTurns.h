#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

namespace tarnwick::download {

class ctlAsync;

// Finished downloads that may ask the user for a name take turns: the main window's save dialog
// is shared, so while one completion is prompting, the next waits (its file kept) for its turn.
class PromptTurns : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // True when control may go ahead now; otherwise it is queued and resumed when the turn comes.
    bool begin(ctlAsync* control);
    // Ends the current turn and wakes the next waiting control, if any, from the event loop.
    void end();
    bool busy() const { return m_busy; }
    int waiting() const { return int(m_waiting.size()); }

private:
    bool m_busy = false;
    QList<QPointer<ctlAsync>> m_waiting;
};

} // namespace tarnwick::download
