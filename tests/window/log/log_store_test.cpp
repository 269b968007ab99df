#include "log_store.h"
#include "qt_printers.h"
#include "same_lines.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// Edits of every size at the top, the end and anywhere between, short lines and lines far
// longer than a chunk, as a log that the program prepends to and the user edits goes through.
TEST(LogStore, KeepsItsTextAndLinesThroughEditsAnywhere)
{
    QRandomGenerator random(27);
    LogStore store;
    QString model;
    for (int step = 0; step < 3000; ++step) {
        const qsizetype at = random.bounded(int(model.size()) + 1);
        if (random.bounded(3) == 0 && !model.isEmpty()) {
            const qsizetype count = random.bounded(step % 50 == 0 ? 30000 : 40);
            store.remove(at, count);
            model.remove(at, count);
        } else {
            const int length = step % 97 == 0 ? 25000 : random.bounded(40);
            QString text;
            for (int i = 0; i < length; ++i)
                text += random.bounded(8) == 0 ? QChar(u'\n') : QChar(u'a' + random.bounded(26));
            const qsizetype where = step % 2 ? 0 : at;
            store.insert(where, text);
            model.insert(where, text);
        }
        ASSERT_EQ(store.size(), model.size()) << "step " << step;
        ASSERT_EQ(store.lineCount(), model.count(u'\n') + 1) << "step " << step;
    }
    expectSameLines(store, model);
    const qsizetype middle = model.size() / 2;
    EXPECT_EQ(store.mid(middle, 20000), model.mid(middle, 20000));
    EXPECT_EQ(store.at(middle), model.at(middle));
}

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
