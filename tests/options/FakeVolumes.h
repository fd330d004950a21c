#pragma once

#include "platform/Volumes.h"

#include <QHash>

namespace tarnwick::test {

// Volumes a test makes up: any folder can be a volume, and a volume can refuse to answer for a
// number of checks (or for good) before it is ready.
class FakeVolumes : public platform::Volumes
{
public:
    static constexpr int Never = -1;

    void add(const QString& root, const QString& label = QString(), int failingChecks = 0)
    {
        m_volumes << platform::Volume{normalizedDirectory(root), label, failingChecks == 0};
        m_failing.insert(normalizedDirectory(root), failingChecks);
    }

    QList<platform::Volume> mounted() const override { return m_volumes; }

    bool isReady(const QString& rootPath) const override
    {
        ++m_checks;
        int& left = m_failing[rootPath];
        if (left == Never)
            return false;
        if (left > 0) {
            --left;
            return false;
        }
        return true;
    }

    int checks() const { return m_checks; }

private:
    QList<platform::Volume> m_volumes;
    mutable QHash<QString, int> m_failing;
    mutable int m_checks = 0;
};

} // namespace tarnwick::test
