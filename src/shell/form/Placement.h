#pragma once

class QWidget;

// Moves the window `w` so its frame is centred on `host`'s window, or on the
// screen it is on when `host` is null.
void centreWindow(QWidget *w, const QWidget *host = nullptr);
