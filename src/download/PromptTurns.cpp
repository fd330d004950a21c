#include "download/PromptTurns.h"

#include "download/ctlAsync.h"

#include <QTimer>

namespace tarnwick::download {

bool PromptTurns::begin(ctlAsync* control)
{
    if (!m_busy) {
        m_busy = true;
        return true;
    }
    m_waiting.append(control);
    return false;
}

void PromptTurns::end()
{
    m_busy = false;
    while (!m_waiting.isEmpty()) {
        QPointer<ctlAsync> next = m_waiting.takeFirst();
        if (!next)
            continue; // its window was closed while it waited
        m_busy = true;
        QTimer::singleShot(0, this, [this, next] {
            // The turn was handed over already: resume without asking for it again.
            if (next)
                next->resumeCompletion();
            else
                end();
        });
        return;
    }
}

} // namespace tarnwick::download
