#include "schedules/form/ProgUnit.h"

#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Controls.h"
#include "shell/form/Guarded.h"
#include "shell/form/Placement.h"
#include "shell/form/Prompts.h"
#include "shell/form/WindowHost.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

void fillWithTexts(QComboBox *box, std::initializer_list<int> textIndexes)
{
    for (int index : textIndexes)
        box->addItem(texts.value(index));
}

void fillWithNumbers(QComboBox *box, int first, int last, const QString &suffix = QString())
{
    for (int value = first; value <= last; ++value)
        box->addItem(QString::asprintf("%.2d", value) + suffix, value);
}

} // namespace

TprogForm3::TprogForm3(ControllerSession &session, WindowHost &host, QWidget *parent)
    : QDialog(parent), session(&session), host(host)
{
    setObjectName(QStringLiteral("progForm3"));
    buildUi();
    connectGuarded(Button1, &QAbstractButton::clicked, this, &TprogForm3::Button1Click);
    connectGuarded(Button2, &QAbstractButton::clicked, this, &TprogForm3::Button2Click);
    connectGuarded(Button3, &QAbstractButton::clicked, this, &TprogForm3::Button3Click);
    editprogListBox1->installEventFilter(this);
}

void TprogForm3::buildUi()
{
    editprogListBox1 = named(new QListWidget(this), "editprogListBox1");
    editprogListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    editprogListBox1->setMinimumSize(520, 260);

    auto *grid = new QGridLayout;
    const auto choice = [&](QLabel *&label, const char *labelName, QComboBox *&box, const char *boxName,
                            int column) {
        label = named(new QLabel(this), labelName);
        box = named(new QComboBox(this), boxName);
        box->setEditable(false);
        box->setMaxVisibleItems(14);
        label->setBuddy(box);
        grid->addWidget(label, 0, column);
        grid->addWidget(box, 1, column);
    };
    choice(Label1, "Label1", ComboBox1, "ComboBox1", 0);
    choice(Label2, "Label2", ComboBox2, "ComboBox2", 1);
    choice(Label3, "Label3", ComboBox3, "ComboBox3", 2);
    choice(Label4, "Label4", ComboBox4, "ComboBox4", 3);
    choice(Label5, "Label5", ComboBox5, "ComboBox5", 4);
    choice(Label6, "Label6", ComboBox6, "ComboBox6", 5);
    Button3 = named(new QPushButton(this), "Button3");
    grid->addWidget(Button3, 1, 6);

    Button1 = named(new QPushButton(this), "Button1");
    Button2 = named(new QPushButton(this), "Button2");
    // Enter in a choice list must not close the dialog.
    for (QPushButton *button : {Button1, Button2, Button3})
        button->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(editprogListBox1, 1);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttonRow({Button1, Button2}));
}

void TprogForm3::fillEditControls(int tmin, int tmax)
{
    for (QComboBox *box : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6})
        box->clear();
    fillWithTexts(ComboBox1, {4, 5, 6, 7, 8, 9, 10, 47, 48, 49});
    fillWithNumbers(ComboBox2, 0, 23);
    fillWithNumbers(ComboBox3, 0, 59);
    fillWithNumbers(ComboBox4, tmin, tmax, QStringLiteral("\u00B0C"));
    fillWithTexts(ComboBox5, {142, 76, 79, 80, 81, 82, 83});
    fillWithTexts(ComboBox6, {142, 79, 86, 87, 88});
    for (QComboBox *box : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6})
        box->setCurrentIndex(box->count() > 0 ? 0 : -1);

    setWindowTitle(texts.value(153));
    Button1->setText(texts.value(140));
    Button2->setText(texts.value(141));
    Button3->setText(texts.value(154));
    const QList<QPair<QLabel *, int>> labels{{Label1, 155}, {Label2, 156}, {Label3, 157},
                                             {Label4, 158}, {Label5, 159}, {Label6, 160}};
    for (const auto &[label, text] : labels)
        label->setText(texts.value(text));
}

void TprogForm3::FormShow(int tmin, int tmax)
{
    fillEditControls(tmin, tmax);
    editProgList.Clear();
    editprogListBox1->clear();
    editProgList.assign(session->model.unitProgList.entries());
    if (!editProgList.isEmpty())
        updateEditProgList();
}

void TprogForm3::updateEditProgList()
{
    editProgList.sortByTime();
    editprogListBox1->clear();
    for (const auto &entry : editProgList)
        editprogListBox1->addItem(schedule::entryLine(*entry, texts));
}

bool TprogForm3::setEditProgEntry(int tm, int tp, int md, int fn)
{
    if (editProgList.setEdited({tm, tp, md, fn}) != TprogRecordList::EditResult::Refused)
        return true;
    prompts().message(this, QString(), texts.value(102));
    return false;
}

void TprogForm3::addEditProgEntries()
{
    // With the maximum below the minimum there is no temperature to store.
    if (ComboBox4->currentIndex() < 0) {
        QApplication::beep();
        return;
    }
    const int minuteOfDay = ComboBox2->currentIndex() * 60 + ComboBox3->currentIndex();
    const int temp = ComboBox4->currentData().toInt();
    const int mode = ComboBox5->currentIndex();
    const int fan = ComboBox6->currentIndex();
    schedule::forChosenDays(ComboBox1->currentIndex(), minuteOfDay,
                            [&](int tm) { return setEditProgEntry(tm, temp, mode, fan); });
    updateEditProgList();
}

void TprogForm3::Button1Click()
{
    reject();
}

void TprogForm3::Button2Click()
{
    accept();
}

void TprogForm3::Button3Click()
{
    addEditProgEntries();
}

void TprogForm3::editprogListBox1KeyDown(int key)
{
    const int row = editprogListBox1->currentRow();
    if (key != Qt::Key_Delete || row < 0 || row >= editProgList.Count() ||
        !editprogListBox1->item(row)->isSelected())
        return;
    editProgList.Delete(row);
    delete editprogListBox1->takeItem(row);
    if (row < editprogListBox1->count())
        editprogListBox1->setCurrentRow(row);
    else
        editprogListBox1->setCurrentRow(-1);
}

bool TprogForm3::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == editprogListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Delete) {
            guarded(*session, editprogListBox1, [&] { editprogListBox1KeyDown(key); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TprogForm3::edit(int tmin, int tmax)
{
    FormShow(tmin, tmax);
    if (prompts().exec(this) != QDialog::Accepted)
        return;
    session->model.unitProgList.assign(editProgList.entries());
    host.updateUnitProgListTemp();
}
