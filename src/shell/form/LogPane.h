#pragma once

class QPlainTextEdit;

// Keeps `pane` within `maxLines` lines and about `maxChars` characters, dropping
// the oldest lines first, whoever appends to it: a device that streams lines
// for hours must not make the program grow without end.
void capLogPane(QPlainTextEdit *pane, int maxLines, int maxChars);
