#pragma once
// Toolkit-internal: the window system's shape for a cursor number.
#include "toolkit/controls/Cursors.h"

#include <qnamespace.h>

class QWidget;

Qt::CursorShape CursorShapeOf(TCursor cursor);
// Shows the cursor over the widget; crDefault lets it follow its parent.
void ShowCursorOn(QWidget* widget, TCursor cursor);
