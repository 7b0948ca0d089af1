#include "shell/form/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace {

class BoxPrompts final : public Prompts
{
public:
    void error(QWidget *parent, const QString &caption, const QString &text) override
    {
        QMessageBox::critical(parent, caption, text, QMessageBox::Ok);
    }
    void info(QWidget *parent, const QString &caption, const QString &text) override
    {
        QMessageBox::information(parent, caption, text, QMessageBox::Ok);
    }
    void message(QWidget *parent, const QString &caption, const QString &text) override
    {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
        box.exec();
    }
    int exec(QDialog *dialog) override { return dialog->exec(); }
};

Prompts *installed = nullptr;

} // namespace

bool Prompts::modalOpen() const
{
    return QApplication::activeModalWidget() != nullptr;
}

Prompts &prompts()
{
    static BoxPrompts real;
    return installed ? *installed : real;
}

void setPrompts(Prompts *replacement)
{
    installed = replacement;
}
