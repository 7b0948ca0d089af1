#include "shell/form/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

class BoxPrompts final : public Prompts
{
public:
    void error(QWidget *parent, const QString &caption, const QString &text) override
    {
        show(QMessageBox::Critical, parent, caption, text);
    }
    void info(QWidget *parent, const QString &caption, const QString &text) override
    {
        show(QMessageBox::Information, parent, caption, text);
    }
    void message(QWidget *parent, const QString &caption, const QString &text) override
    {
        show(QMessageBox::NoIcon, parent, caption, text);
    }
    int exec(QDialog *dialog) override { return dialog->exec(); }
    QString saveFile(QWidget *parent, const QString &caption, const QString &proposed,
                     const QString &filter) override
    {
        const QFileInfo file(proposed);
        QFileDialog dialog(parent, caption, file.absolutePath(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(file.suffix());
        dialog.selectFile(file.fileName());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }

private:
    // Messages may quote what a device or a file sent: never read as markup.
    static void show(QMessageBox::Icon icon, QWidget *parent, const QString &caption, const QString &text)
    {
        QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
};

Prompts *installed = nullptr;

} // namespace

QString Prompts::saveFile(QWidget *, const QString &, const QString &proposed, const QString &)
{
    return proposed;
}

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
