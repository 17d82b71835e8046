#pragma once
// Toolkit-internal: the window system's shape for a cursor number.
#include "toolkit/controls/Cursors.h"

class QCursor;
class QWidget;

QCursor CursorOf(TCursor cursor);
// Shows the cursor over the widget; crDefault lets it follow its parent.
void ShowCursorOn(QWidget* widget, TCursor cursor);
