#pragma once
// Windows that open in the middle of the screen, wherever their owner is.
class QWidget;

// Moves the top-level window, already of its final size, so that it lies in
// the middle of its screen's available area (the primary screen when it has
// none yet). Done before the first show, it also keeps a dialog from being
// centred on its parent.
void CentreOnScreen(QWidget* window);
