#pragma once

#include <QLocale>

// Sets the default locale for the life of a test and puts the previous one back.
class LocaleGuard {
public:
    explicit LocaleGuard(const QLocale &locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(m_previous); }
    LocaleGuard(const LocaleGuard &) = delete;
    LocaleGuard &operator=(const LocaleGuard &) = delete;

private:
    QLocale m_previous;
};

inline const QLocale english{QLocale::English, QLocale::UnitedStates};
inline const QLocale german{QLocale::German, QLocale::Germany};
