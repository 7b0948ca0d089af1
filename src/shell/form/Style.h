#pragma once

class QApplication;

// Gives every window the application's own look. Returns false when the base
// style is missing; the platform's look then stays and start-up goes on.
bool applyAppStyle(QApplication &app);
