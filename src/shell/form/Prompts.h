#pragma once

#include <QString>

class QDialog;
class QWidget;

// Every modal interaction goes through here, so tests can answer without a
// human. The application installs the real one; tests install a scripted one.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // A modal message box with an error icon and an OK button.
    virtual void error(QWidget *parent, const QString &caption, const QString &text) = 0;
    // A modal message box with an information icon and an OK button.
    virtual void info(QWidget *parent, const QString &caption, const QString &text) = 0;
    // A plain modal message box, without an icon, with an OK button.
    virtual void message(QWidget *parent, const QString &caption, const QString &text) = 0;
    // Runs `dialog` modally and returns its result.
    virtual int exec(QDialog *dialog) = 0;
    // Asks where to save a file, proposing the path `proposed`; empty when the
    // user cancels. Prompts that do not ask take the proposed path.
    virtual QString saveFile(QWidget *parent, const QString &caption, const QString &proposed,
                             const QString &filter);

    // True while a modal window raised through here (or any other) is open.
    virtual bool modalOpen() const;
};

// The installed prompts; the real ones unless a test installed others.
Prompts &prompts();
// Installs `replacement` (not owned); nullptr restores the real prompts.
void setPrompts(Prompts *replacement);
