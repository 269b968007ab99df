#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>

// A broken invariant is a crash to libFuzzer: it keeps the input that caused it.
inline void require(bool holds, const char *invariant, const QString &detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "Invariant broken: %s\n%s\n", invariant, qPrintable(detail));
    std::abort();
}

// Text as the control or the keyboard might deliver it: mostly UTF-8 so that the fuzzer finds
// words and numbers quickly, sometimes raw UTF-16 code units, lone surrogates included.
inline QString consumeText(FuzzedDataProvider &data)
{
    const bool raw = data.ConsumeBool();
    const std::string bytes = data.ConsumeRandomLengthString();
    if (!raw)
        return QString::fromUtf8(bytes);
    QString units(qsizetype(bytes.size() / 2), Qt::Uninitialized);
    std::memcpy(units.data(), bytes.data(), std::size_t(units.size()) * sizeof(QChar));
    return units;
}
