#include "window_test_fixture.h"

namespace {

using Sent = QPair<QString, QString>;

struct RecallCase {
    const char *name;
    const char *box;
    // Each "<action> → <what the box holds after it>": the action is a step of the user's at the
    // keyboard or on a button, "=text" typing over the box; "up", "down", "shift+up", "undo",
    // "backspace"; else the button's name.
    QStringList steps;
    QList<Sent> sent;
};

void PrintTo(const RecallCase &recallCase, std::ostream *os)
{
    *os << recallCase.name;
}

class Recall : public WindowTest, public testing::WithParamInterface<RecallCase> {
protected:
    void act(QLineEdit *box, const QString &action) const
    {
        const std::map<QString, std::pair<Qt::Key, Qt::KeyboardModifiers>> keys{
            {"up", {Qt::Key_Up, Qt::NoModifier}},
            {"down", {Qt::Key_Down, Qt::KeypadModifier}},
            {"shift+up", {Qt::Key_Up, Qt::ShiftModifier}},
            {"undo", {Qt::Key_Z, Qt::ControlModifier}},
            {"backspace", {Qt::Key_Backspace, Qt::NoModifier}}};
        if (action.startsWith(u'=')) {
            box->setFocus();
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box, action.mid(1));
        } else if (const auto key = keys.find(action); key != keys.end()) {
            box->setFocus();
            QTest::keyClick(box, key->second.first, key->second.second);
        } else {
            press(action.toUtf8().constData());
        }
    }
};

// Each box steps through what was sent from it alone, newest first, keeping the user's own text
// below the newest; nothing is sent by stepping, and a recalled text is sent as it stands.
TEST_P(Recall, UpAndDownCallBackWhatWasSentFromTheBox)
{
    QLineEdit *box = this->box(GetParam().box);
    for (const QString &step : GetParam().steps) {
        const qsizetype arrow = step.indexOf(" → ");
        act(box, step.left(arrow));
        ASSERT_EQ(box->text(), step.mid(arrow + 3)) << step.toStdString();
    }
    EXPECT_EQ(control->sent, GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, Recall,
    testing::Values(
        RecallCase{"steppingPastEitherEnd",
                   "Text9",
                   {"Command1 → A1", "=B2 → B2", "Command2 → B2", "=C → C", "down → C", "up → B2",
                    "up → A1", "up → A1", "down → B2", "down → C", "down → C", "up → B2"},
                   {{"sendplc", "A1 on"}, {"sendplc", "B2 off"}}},
        RecallCase{"editingARecalledEntry",
                   "CommandLine",
                   {"=a1 on → a1 on", "SendPL → a1 on", "=b2 dim 5 → b2 dim 5", "SendRF → b2 dim 5",
                    "=typed → typed", "up → b2 dim 5", "backspace → b2 dim ",
                    "=b2 dim 9 → b2 dim 9", "up → b2 dim 5", "up → a1 on", "down → b2 dim 5",
                    "down → b2 dim 9", "SendPL → b2 dim 9", "up → b2 dim 5", "up → a1 on",
                    "up → a1 on"},
                   {{"sendplc", "a1 on"}, {"sendrf", "b2 dim 5"}, {"sendplc", "b2 dim 9"}}},
        RecallCase{"anEntrySentTwice",
                   "CommandLine",
                   {"=a1 on → a1 on", "SendPL → a1 on", "SendRF → a1 on", "=b2 off → b2 off",
                    "SendPL → b2 off", "up → a1 on", "SendPL → a1 on", "up → b2 off", "up → a1 on",
                    "up → a1 on", "down → b2 off"},
                   {{"sendplc", "a1 on"},
                    {"sendrf", "a1 on"},
                    {"sendplc", "b2 off"},
                    {"sendplc", "a1 on"}}},
        RecallCase{"theUsersTextMayBeAnOlderEntry",
                   "CommandLine",
                   {"=a → a", "SendPL → a", "=b → b", "SendPL → b", "=a → a", "up → b", "up → a",
                    "up → a", "down → b", "down → a"},
                   {{"sendplc", "a"}, {"sendplc", "b"}}},
        RecallCase{"onlyWhatWasSentFromThatBox",
                   "CommandLine",
                   {"Command1 → ", "up → ", "=x → x", "up → x", "down → x"},
                   {{"sendplc", "A1 on"}}},
        RecallCase{"undoGivesBackTheUsersText",
                   "Text9",
                   {"Command1 → A1", "=B → B", "up → A1", "undo → B", "up → A1"},
                   {{"sendplc", "A1 on"}}},
        RecallCase{"withAModifierTheKeyIsTheBoxsOwn",
                   "Text9",
                   {"Command1 → A1", "=B → B", "shift+up → B"},
                   {{"sendplc", "A1 on"}}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
