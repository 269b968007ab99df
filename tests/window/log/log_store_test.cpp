#include "log_store.h"
#include "qt_printers.h"
#include "same_lines.h"

#include <gtest/gtest.h>

namespace {

// The device's lines arrive one at a time at the top, so the first chunk passes its bound again
// and again and splits; every line must still be found where it is.
TEST(LogStore, FindsEveryLineAfterLinesArriveOneByOne)
{
    LogStore store;
    QString model;
    for (int i = 0; i < 3000; ++i) {
        const QString line = QStringLiteral("sendplc\tA%1\tdim\t%2\n").arg(i % 16).arg(i);
        store.insert(0, line);
        model.prepend(line);
    }
    expectSameLines(store, model);
}

TEST(LogStore, StoresEveryLineBreakAsOneLineFeed)
{
    const struct {
        const char *name;
        QString inserted;
        QString stored;
    } cases[] = {
        {"lineFeed", "a\nb", "[a\nb]"},
        {"carriageReturnLineFeed", "a\r\nb\r\n", "[a\nb\n]"},
        {"loneCarriageReturn", "a\rb", "[a\nb]"},
        {"twoCarriageReturns", "\r\r\n", "[\n\n]"},
        {"paragraphSeparator", "a\u2029b", "[a\nb]"},
        {"lineSeparatorIsKept", "a\u2028b", "[a\u2028b]"},
    };
    for (const auto &[name, inserted, stored] : cases) {
        SCOPED_TRACE(name);
        LogStore store;
        store.insert(0, u"[]");
        store.insert(1, inserted);
        EXPECT_EQ(store.text(), stored);
        EXPECT_EQ(store.lineCount(), stored.count(u'\n') + 1);
        EXPECT_EQ(store.text(u"\r\n"), QString(stored).replace(u'\n', QStringLiteral("\r\n")));
    }
}

TEST(LogStore, ClearLeavesOneEmptyLine)
{
    LogStore store;
    store.insert(0, QString(50000, u'x') + u'\n');
    store.clear();
    EXPECT_EQ(store.size(), 0);
    EXPECT_EQ(store.lineCount(), 1);
    EXPECT_EQ(store.text(), QString());
    store.insert(0, u"next\n");
    expectSameLines(store, "next\n");
}

} // namespace
