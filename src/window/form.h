#pragma once

#include "widget_table.h"

#include <QList>
#include <utility>
#include <vector>

class QWidget;

// The window's widgets as the widget table makes them: each with its name, place, caption,
// accessible name and place in the focus order, in the fonts that fit the captions, and reached
// by the role the table gives it.
class Form {
public:
    // Builds them on the window, each frame behind what it holds.
    explicit Form(QWidget *window);

    // Every widget with the role, in the table's order, of the kind the table makes for it.
    template <typename Widget> QList<Widget *> parts(WidgetRole role) const
    {
        QList<Widget *> found;
        for (const auto &[partRole, widget] : m_parts)
            if (partRole == role)
                found.append(static_cast<Widget *>(widget));
        return found;
    }
    template <typename Widget> Widget *part(WidgetRole role) const
    {
        return parts<Widget>(role).front();
    }

private:
    std::vector<std::pair<WidgetRole, QWidget *>> m_parts;
};
