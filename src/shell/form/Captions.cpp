// Captions from the current language, the language selector and the help tab.
#include "shell/Texts.h"
#include "shell/form/Application.h"
#include "shell/form/HelpPane.h"
#include "shell/form/Main.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace {

template <typename T> void caption(T *control, int text)
{
    control->setText(texts.value(text));
}

} // namespace

void TForm1::applyCaptions()
{
    statusChanged();
    caption(reloadbutTab1, 108);
    PageControl1->setTabText(0, QStringLiteral("&1 ") + texts.value(137));
    caption(Tab1setunit, 96);
    caption(Tab1setall, 101);
    PageControl1->setTabText(1, QStringLiteral("&2 ") + texts.value(138));
    caption(tab3sb1, 109);
    caption(tab3sb2, 111);
    caption(tab3bt1, 110);
    caption(tab3sb3, 113);
    caption(tab3sb4, 114);
    caption(tab3sb5, 115);
    caption(tab3sb6, 116);
    caption(tab3sb7, 144);
    caption(tab3lb1, 112);
    caption(tab3lb2, 117);
    caption(reloadbutTab3, 108);
    caption(regSenseBtn_tab5, 118);
    caption(updtime, 43);
    caption(tab3lb3, 166);
    PageControl1->setTabText(2, QStringLiteral("&3 ") + texts.value(139));
    caption(SendBtnTab4, 106);
    caption(ReloadBtnTab4, 108);
    caption(FindDevBtnTab4, 107);
    caption(tab4lb1, 126);
    caption(tab4sb1, 127);
    caption(lblnetname, 128);
    caption(lblpassphrase, 129);
    caption(tab4sb2, 131);
    caption(lblipadress, 132);
    caption(lblgateway, 133);
    caption(lbldns, 134);
    PageControl1->setTabText(3, QStringLiteral("&4 ") + texts.value(150));
}

void TForm1::setupDevListColumns()
{
    ListView1->clear();
    ListView1->setColumnCount(2);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setHeaderLabels({texts.value(168), texts.value(169)});
    ListView1->setColumnWidth(0, 250);
    ListView1->setColumnWidth(1, 170);
}

void TForm1::sel_languageChange(int index)
{
    lang_act = index > 1 || index < 0 ? 0 : index;
    loadLanguage(lang_act);
    speakQtLanguage(lang_act);
    applyCaptions();
    unitListHeadings();
    setupDevListColumns();
    reloadbutTab3Click();
    Q_EMIT languageChanged(lang_act);
}

void TForm1::helpShow()
{
    helpPane->showManual(HelpPane::manualPath(appDir.isEmpty() ? QDir::currentPath() : appDir));
}
