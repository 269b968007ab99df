#pragma once

#include "log_store.h"

#include <QString>
#include <gtest/gtest.h>

// Checks every line's place in the store against the same text held whole.
inline void expectSameLines(const LogStore &store, const QString &model)
{
    ASSERT_EQ(store.text(), model);
    ASSERT_EQ(store.lineCount(), model.count(u'\n') + 1);
    qsizetype start = 0;
    for (qsizetype line = 0; line < store.lineCount(); ++line) {
        const qsizetype end =
            model.indexOf(u'\n', start) < 0 ? model.size() : model.indexOf(u'\n', start);
        ASSERT_EQ(store.lineStart(line), start) << "line " << line;
        ASSERT_EQ(store.nextBreak(start), end) << "line " << line;
        ASSERT_EQ(store.lineOf(start), line) << "line " << line;
        ASSERT_EQ(store.lineOf(end), line) << "line " << line;
        start = end + 1;
    }
}
