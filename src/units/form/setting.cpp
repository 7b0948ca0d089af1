#include "units/form/setting.h"

#include "session/ControllerSession.h"
#include "shell/Texts.h"
#include "shell/form/Controls.h"
#include "shell/form/Guarded.h"
#include "shell/form/Placement.h"
#include "shell/form/Prompts.h"
#include "shell/form/WindowHost.h"
#include "shell/form/infoext.h"
#include "units/Setting.h"
#include "units/UnitTable.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QToolButton *speedButton(const char *name, QWidget *parent)
{
    QToolButton *button = toggle(name, parent);
    button->setMinimumWidth(80);
    return button;
}

// Takes digits only, of any value: a number typed outside the range is held at
// the nearer bound when the field takes it, not replaced by the previous value.
class TemperatureField final : public QSpinBox
{
public:
    using QSpinBox::QSpinBox;

    QValidator::State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return QValidator::Intermediate;
        if (input.size() > MaxDigits || !onlyDigits(input))
            return QValidator::Invalid;
        const int value = input.toInt();
        return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    }

    void fixup(QString &input) const override
    {
        if (!input.isEmpty() && input.size() <= MaxDigits && onlyDigits(input))
            input = QString::number(qBound(minimum(), input.toInt(), maximum()));
    }

private:
    static constexpr int MaxDigits = 4;
    static bool onlyDigits(const QString &text)
    {
        return std::all_of(text.begin(), text.end(),
                           [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    }
};

QSpinBox *temperatureField(const char *name, QWidget *parent)
{
    auto *field = named(new TemperatureField(parent), name);
    field->setRange(setting::MinTemp, setting::MaxTemp);
    field->setMinimumWidth(70);
    return field;
}

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A bar of speed buttons; `allowAllUp`: a click on the button that is down releases it.
QButtonGroup *speedBar(QWidget *parent, QHBoxLayout *row, std::initializer_list<QToolButton *> buttons,
                       bool allowAllUp)
{
    auto *group = new QButtonGroup(parent);
    group->setExclusive(!allowAllUp);
    int id = 0;
    for (QToolButton *button : buttons) {
        group->addButton(button, id++);
        row->addWidget(button);
    }
    if (allowAllUp) {
        QObject::connect(group, &QButtonGroup::buttonToggled, parent,
                         [group](QAbstractButton *on, bool down) {
                             if (!down)
                                 return;
                             for (QAbstractButton *other : group->buttons())
                                 if (other != on)
                                     other->setChecked(false);
                         });
    }
    return group;
}

void press(QButtonGroup *group, int id)
{
    const bool exclusive = group->exclusive();
    group->setExclusive(false);
    for (QAbstractButton *button : group->buttons())
        button->setChecked(group->id(button) == id);
    group->setExclusive(exclusive);
}

void setTemperature(QSpinBox *field, int value)
{
    // The field holds its range: a value outside shows as the nearest bound.
    field->setValue(qBound(field->minimum(), value, field->maximum()));
}

// "Evaporator Pipe Temp. T2A  25.0", or nothing when the sensor is missing.
void showPipe(QLabel *label, const QString &text, quint8 code)
{
    label->setVisible(code != 255);
    if (code != 255)
        label->setText(text + QLatin1Char(' ') + QLocale().toString(units::halfDegree(code), 'f', 1));
}

} // namespace

TForm2::TForm2(ControllerSession &session, WindowHost &host, Tinfoextform *info, QWidget *parent)
    : QDialog(parent), session(&session), host(host), info(info)
{
    setObjectName(QStringLiteral("Form2"));
    buildUi();
    connectGuarded(btset, &QAbstractButton::clicked, this, &TForm2::btsetClick);
    connectGuarded(btsetn, &QAbstractButton::clicked, this, &TForm2::btsetnClick);
    connectGuarded(btsetp, &QAbstractButton::clicked, this, &TForm2::btsetpClick);
    connectGuarded(sb14, &QAbstractButton::clicked, this, &TForm2::sb14Click);
    connectGuarded(sb15, &QAbstractButton::clicked, this, &TForm2::sb15Click);
    connectGuarded(btcancel, &QAbstractButton::clicked, this, &TForm2::btcancelClick);
    connectGuarded(BitBtn1, &QAbstractButton::clicked, this, &TForm2::BitBtn1Click);
    connectGuarded(btprog, &QAbstractButton::clicked, this, &TForm2::btprogClick);
}

void TForm2::buildUi()
{
    auto *layout = new QVBoxLayout(this);

    Label1 = named(new QLabel(this), "Label1");
    auto *modeRow = new QHBoxLayout;
    sb1 = speedButton("sb1", this);
    sb2 = speedButton("sb2", this);
    sb3 = speedButton("sb3", this);
    sb4 = speedButton("sb4", this);
    sb5 = speedButton("sb5", this);
    sb6 = speedButton("sb6", this);
    modeBar = speedBar(this, modeRow, {sb1, sb2, sb3, sb4, sb5, sb6}, true);
    layout->addWidget(Label1);
    layout->addLayout(modeRow);

    Label2 = named(new QLabel(this), "Label2");
    auto *fanRow = new QHBoxLayout;
    sb7 = speedButton("sb7", this);
    sb8 = speedButton("sb8", this);
    sb9 = speedButton("sb9", this);
    sb10 = speedButton("sb10", this);
    fanBar = speedBar(this, fanRow, {sb7, sb8, sb9, sb10}, true);
    layout->addWidget(Label2);
    layout->addLayout(fanRow);

    auto *grid = new QGridLayout;
    Label3 = named(new QLabel(this), "Label3");
    Edit1 = temperatureField("Edit1", this);
    Label4 = named(new QLabel(this), "Label4");
    Edit2 = temperatureField("Edit2", this);
    Label5 = named(new QLabel(this), "Label5");
    Edit3 = temperatureField("Edit3", this);
    Label6 = named(new QLabel(this), "Label6");
    Edit4 = named(new QLineEdit(this), "Edit4");
    Edit4->setReadOnly(true);
    Edit4->setMaximumWidth(90);
    sb11 = speedButton("sb11", this);
    sb12 = speedButton("sb12", this);
    sb13 = speedButton("sb13", this);
    sb14 = named(new QPushButton(this), "sb14");
    sb15 = named(new QPushButton(this), "sb15");
    for (QLabel *label : {Label3, Label4, Label5, Label6})
        label->setBuddy(label == Label3   ? static_cast<QWidget *>(Edit1)
                        : label == Label4 ? static_cast<QWidget *>(Edit2)
                        : label == Label5 ? static_cast<QWidget *>(Edit3)
                                          : static_cast<QWidget *>(Edit4));
    grid->addWidget(Label3, 0, 0);
    grid->addWidget(Label4, 0, 1);
    grid->addWidget(Edit1, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(sb11, 1, 2);
    grid->addWidget(sb12, 1, 3);
    grid->addWidget(sb13, 1, 4);
    grid->addWidget(Label5, 2, 0);
    grid->addWidget(Label6, 2, 1);
    grid->addWidget(Edit3, 3, 0);
    grid->addWidget(Edit4, 3, 1);
    grid->addWidget(sb14, 3, 2, 1, 1);
    grid->addWidget(sb15, 3, 3, 1, 1);
    layout->addLayout(grid);

    btcancel = named(new QPushButton(this), "btcancel");
    btset = named(new QPushButton(this), "btset");
    BitBtn1 = named(new QPushButton(this), "BitBtn1");
    auto *sendRow = new QHBoxLayout;
    sendRow->addWidget(btcancel, 1);
    sendRow->addWidget(btset, 3);
    sendRow->addWidget(BitBtn1, 1);
    layout->addLayout(sendRow);
    layout->addWidget(separator(this));

    Edit5 = named(new QLineEdit(this), "Edit5");
    // The device stores 15 characters of a unit's name.
    Edit5->setMaxLength(NameLength);
    Label7 = named(new QLabel(this), "Label7");
    ToolBar3 = named(new QWidget(this), "ToolBar3");
    auto *lockRow = new QHBoxLayout(ToolBar3);
    lockRow->setContentsMargins(0, 0, 0, 0);
    sb16 = speedButton("sb16", ToolBar3);
    sb17 = speedButton("sb17", ToolBar3);
    sb18 = speedButton("sb18", ToolBar3);
    lockBar = speedBar(this, lockRow, {sb16, sb17, sb18}, false);
    btsetn = named(new QPushButton(this), "btsetn");
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(Edit5, 1);
    nameRow->addWidget(Label7);
    nameRow->addWidget(ToolBar3, 1);
    nameRow->addWidget(btsetn);
    layout->addLayout(nameRow);
    layout->addWidget(separator(this));

    ProgListBox1 = named(new QListWidget(this), "ProgListBox1");
    ProgListBox1->setMinimumHeight(140);
    btprog = named(new QPushButton(this), "btprog");
    btsetp = named(new QPushButton(this), "btsetp");
    auto *progButtons = new QVBoxLayout;
    progButtons->addWidget(btprog);
    progButtons->addWidget(btsetp);
    progButtons->addStretch();
    auto *progRow = new QHBoxLayout;
    progRow->addWidget(ProgListBox1, 1);
    progRow->addLayout(progButtons);
    layout->addLayout(progRow, 1);

    stb1 = named(new QStatusBar(this), "stb1");
    stb1Panel0 = named(new QLabel(stb1), "stb1Panel0");
    stb1Panel1 = named(new QLabel(stb1), "stb1Panel1");
    stb1->setSizeGripEnabled(false);
    stb1Panel0->setFixedWidth(150);
    stb1Panel1->setMinimumWidth(500);
    stb1->addWidget(stb1Panel0);
    stb1->addWidget(stb1Panel1, 1);
    layout->addWidget(stb1);
    // Each mode hides other controls; their room stays so the dialog keeps one size. The name
    // field gives way to the lock buttons beside it, which need the room in their mode.
    for (QWidget *optional :
         std::initializer_list<QWidget *>{sb11, sb14, sb15, Edit4, Label6, ToolBar3, btsetn, BitBtn1}) {
        QSizePolicy policy = optional->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        optional->setSizePolicy(policy);
    }
}

void TForm2::applyCaptions()
{
    const QList<QPair<QWidget *, int>> captions{
        {Label1, 84}, {sb1, 76},    {sb2, 79},    {sb3, 80},       {sb4, 81},    {sb5, 82},
        {sb6, 83},    {Label2, 89}, {sb7, 79},    {sb8, 86},       {sb9, 87},    {sb10, 88},
        {Label3, 90}, {Label4, 91}, {Label5, 92}, {Label6, 93},    {sb11, 94},   {sb12, 95},
        {sb13, 97},   {sb14, 123},  {sb15, 124},  {btcancel, 140}, {btset, 96},  {Label7, 145},
        {sb16, 76},   {sb17, 80},   {sb18, 81},   {btsetn, 100},   {btprog, 97}, {btsetp, 96}};
    for (const auto &[widget, text] : captions) {
        if (auto *label = qobject_cast<QLabel *>(widget))
            label->setText(texts.value(text));
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            button->setText(texts.value(text));
    }
    BitBtn1->setText(QStringLiteral("Info"));
    setWindowTitle(texts.value(curr_setting == 0 ? 96 : curr_setting == 1 ? 105 : 101));
    stbupd = 0;
}

void TForm2::ShowSetting(int par, int unita)
{
    curr_setting = static_cast<quint8>(par);
    curr_addr = static_cast<quint8>(unita);
    applyCaptions();

    for (QButtonGroup *bar : {modeBar, fanBar, lockBar})
        press(bar, -1);
    for (QToolButton *toggle : {sb11, sb12, sb13})
        toggle->setChecked(false);
    ToolBar3->hide();
    btsetn->hide();
    Label7->hide();
    Edit5->clear();
    Edit1->setValue(setting::MinTemp);
    Edit2->setValue(setting::MaxTemp);
    Edit3->setValue(setting::DefaultSetTemp);
    Edit4->hide();
    Label6->hide();
    targetUnits.clear();
    // The list shows what the schedule's Set button would send: for a group, the
    // schedule last read or edited; for one unit, what has arrived of its own.
    host.updateUnitProgListTemp();

    if (par == 0 && curr_addr < UnitRecords) {
        const TunitRecord &unit = session->model.unit_par[curr_addr];
        sb14->hide();
        sb15->hide();
        btsetn->show();
        Edit5->show();
        sb11->show();
        const setting::Controls shown = setting::unitControls(unit);
        press(modeBar, shown.modeButton);
        press(fanBar, shown.fanButton);
        sb11->setChecked(shown.remoteEnabled);
        sb12->setChecked(shown.flap);
        sb13->setChecked(shown.schedule);
        setTemperature(Edit1, shown.tmin);
        setTemperature(Edit2, shown.tmax);
        setTemperature(Edit3, shown.setTemp);
        Edit4->setText(QLocale().toString(units::halfDegree(unit.buffer[units::RoomTempByte])));
        Edit5->setText(unit.name);
        Edit4->show();
        Label6->show();
        targetUnits = {curr_addr};
    } else if (par == 1) {
        sb11->show();
        sb14->hide();
        sb15->hide();
        Edit5->hide();
        targetUnits = host.checkedUnitAddresses();
    } else if (par == 2) {
        sb11->hide();
        Edit5->hide();
        btsetn->setText(texts.value(96));
        ToolBar3->show();
        Label7->show();
        btsetn->show();
        sb14->show();
        sb15->show();
        if (session->model.lock_mode <= 2)
            press(lockBar, session->model.lock_mode);
    }
    // There is no single unit whose pipe temperatures could be shown.
    BitBtn1->setVisible(par == 0);

    // Every opening at the same size, over the main window.
    layout()->activate();
    resize(sizeHint());
    centreWindow(this, host.hostWidget());
    FormShow();
    prompts().exec(this);
    FormClose();
}

void TForm2::FormShow()
{
    host.unitDialogOpen(true);
    stbupd = 0;
    setStatusBar(0);
}

void TForm2::FormClose()
{
    ProgListBox1->clear();
    host.unitDialogOpen(false);
    stbupd = 0;
}

void TForm2::setStatusBar(int par)
{
    stb1Panel0->clear();
    stb1Panel1->clear();
    if (stbupd == 0)
        return;
    if (par == 0)
        stb1Panel0->setText(texts.value(165));
    else if (par == 1)
        stb1Panel1->setText(texts.value(98));
}

void TForm2::showUndelivered(const QString &text)
{
    stb1Panel0->clear();
    stb1Panel1->clear();
    if (stbupd != 0)
        stb1Panel1->setText(text);
}

bool TForm2::passwordGate()
{
    return host.passwordGate();
}

bool TForm2::startSending()
{
    if (!passwordGate())
        return false;
    stbupd = 1;
    setStatusBar(0);
    return true;
}

void TForm2::fillUpdateBuffer()
{
    setting::Controls controls;
    controls.modeButton = modeBar->checkedId();
    controls.fanButton = fanBar->checkedId();
    controls.tmin = Edit1->value();
    controls.tmax = Edit2->value();
    controls.setTemp = setting::correctedSetTemp(Edit3->value(), controls.tmin, controls.tmax);
    Edit3->setValue(controls.setTemp);
    controls.flap = sb12->isChecked();
    controls.schedule = sb13->isChecked();
    controls.remoteEnabled = sb11->isChecked();
    setting::fillUpdateBuffer(update_buffer, controls);
}

void TForm2::btsetClick()
{
    // A number typed but not yet confirmed counts as typed.
    for (QSpinBox *field : {Edit1, Edit2, Edit3})
        field->interpretText();
    // One request serves every unit, so there is no unit's own fan speed to keep.
    if (curr_setting == 2 && fanBar->checkedId() < 0) {
        QApplication::beep();
        prompts().info(this, QString(), extraText(ExtraText::ChooseFanSpeed));
        return;
    }
    if (!startSending())
        return;
    fillUpdateBuffer();
    host.sendsetting(curr_setting == 2 ? 5 : 1);
}

void TForm2::btsetnClick()
{
    if (!startSending())
        return;
    if (curr_setting == 0) {
        host.sendsetting(2);
        return;
    }
    if (const int lock = lockBar->checkedId(); lock >= 0)
        session->model.lock_mode = quint8(lock);
    host.sendsetting(6);
}

void TForm2::btsetpClick()
{
    if (!startSending())
        return;
    if (curr_setting == 1) {
        host.sendsetting(8);
        return;
    }
    if (curr_setting == 2)
        curr_addr = 255;
    host.sendsetting(7);
}

void TForm2::sb14Click()
{
    if (startSending())
        host.sendsetting(4);
}

void TForm2::sb15Click()
{
    if (startSending())
        host.sendsetting(3);
}

void TForm2::btcancelClick()
{
    reject();
}

void TForm2::BitBtn1Click()
{
    if (!info || curr_addr >= UnitRecords)
        return;
    const TunitRecord &unit = session->model.unit_par[curr_addr];
    info->setWindowTitle(texts.value(14));
    showPipe(info->Label1, texts.value(147), unit.buffer[units::PipeT2AByte]);
    showPipe(info->Label2, texts.value(148), unit.buffer[units::PipeT2BByte]);
    showPipe(info->Label3, texts.value(149), unit.buffer[units::PipeT3Byte]);
    prompts().exec(info);
}

void TForm2::btprogClick()
{
    if (editSchedule)
        editSchedule(Edit1->value(), Edit2->value());
}
