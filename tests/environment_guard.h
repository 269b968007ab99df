#pragma once

#include <QByteArray>
#include <QtGlobal>

// Sets an environment variable for as long as it lives, and no longer, whatever the test's
// assertions do meanwhile: what the test control is to be, say, for the hosts a test starts.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char *name, const QByteArray &value)
        : m_name(name)
    {
        qputenv(name, value);
    }
    ~EnvironmentGuard() { qunsetenv(m_name); }
    EnvironmentGuard(const EnvironmentGuard &) = delete;
    EnvironmentGuard &operator=(const EnvironmentGuard &) = delete;

private:
    const char *m_name;
};

inline EnvironmentGuard testControlVariant(const QByteArray &variants)
{
    return {"KV27_TEST_CONTROL_VARIANT", variants};
}
