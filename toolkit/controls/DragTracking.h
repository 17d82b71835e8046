#pragma once
// Toolkit-internal: drag and drop between the program's controls, fed by the windows' mouse
// events.
class QMouseEvent;
class QWidget;
class TControl;
class TWinControl;

void DragBegin(TControl* source, bool immediate, int threshold);
// Drops where the mouse last was (when the control there accepts) or cancels.
void DragEnd(TControl* source, bool drop);
bool DragRunningFor(const TControl* source);
// A control going away takes no further part in the drag.
void DragForget(TControl* control);
// Sees every mouse event of a toolkit window first; true when the drag consumed it.
bool DragMouseEvent(QMouseEvent* event);

// The windowed control a widget belongs to, or null.
TWinControl* ControlOfWidget(QWidget* widget);
