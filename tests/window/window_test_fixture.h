#pragma once

#include "exerciser_window.h"
#include "message_box_text.h"
#include "qt_printers.h"
#include "recording_control.h"
#include "window_parts.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// A shown, active window whose control is a RecordingControl.
class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        auto recording = std::make_unique<RecordingControl>();
        control = recording.get();
        window = std::make_unique<ExerciserWindow>(std::move(recording));
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    template <typename T = QWidget> T *widget(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QLineEdit *box(const char *name) const { return widget<QLineEdit>(name); }
    QStringList texts(std::initializer_list<const char *> boxes) const
    {
        QStringList texts;
        for (const char *name : boxes)
            texts << box(name)->text();
        return texts;
    }
    ActionLog *log() const { return logOf(window.get()); }
    void press(const char *name) const { ::press(window.get(), name); }

    RecordingControl *control = nullptr;
    std::unique_ptr<ExerciserWindow> window;
};
