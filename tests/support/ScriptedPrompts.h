#pragma once

#include "shell/form/Prompts.h"

#include <QList>
#include <QString>

#include <functional>

// Records every message instead of showing it, and answers dialogs from a script.
class ScriptedPrompts final : public Prompts
{
public:
    struct Shown
    {
        QString kind; // "error", "info", "message" or "save" (text: the proposed path)
        QString caption;
        QString text;
    };

    ScriptedPrompts() { setPrompts(this); }
    ~ScriptedPrompts() override { setPrompts(nullptr); }

    void error(QWidget *, const QString &caption, const QString &text) override
    {
        shown.append({QStringLiteral("error"), caption, text});
    }
    void info(QWidget *, const QString &caption, const QString &text) override
    {
        shown.append({QStringLiteral("info"), caption, text});
    }
    void message(QWidget *, const QString &caption, const QString &text) override
    {
        shown.append({QStringLiteral("message"), caption, text});
    }
    int exec(QDialog *dialog) override
    {
        ++dialogsRun;
        return answer ? answer(dialog) : 0;
    }
    QString saveFile(QWidget *, const QString &caption, const QString &proposed, const QString &) override
    {
        shown.append({QStringLiteral("save"), caption, proposed});
        return savePath ? savePath(proposed) : proposed;
    }
    bool modalOpen() const override { return pretendModal; }

    QList<Shown> shown;
    int dialogsRun = 0;
    std::function<int(QDialog *)> answer;
    std::function<QString(const QString &proposed)> savePath; // the proposed path when unset
    bool pretendModal = false;
};
