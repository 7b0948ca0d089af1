#pragma once

#include <initializer_list>

class QHBoxLayout;
class QWidget;

// Moves the window `w` so its frame is centred on `host`'s window, or on the
// screen it is on when `host` is null.
void centreWindow(QWidget *w, const QWidget *host = nullptr);

// Moves the window `w` beside `opener`'s window, on the side with the most room
// on its screen, so it covers as little of it as the screen allows.
void placeBeside(QWidget *w, const QWidget *opener);

// Makes the window `w`, frame included, fill the available area of its screen
// with a fixed size. The window manager answers a change by redrawing the
// frame, so a caller repeats this until it returns true.
bool fitAndFixSize(QWidget *w);

// A row of dialog buttons: pushed to the right, or centred when `centred`.
QHBoxLayout *buttonRow(std::initializer_list<QWidget *> buttons, bool centred = false);
