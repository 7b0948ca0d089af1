#include "shell/form/Style.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {

QPalette calmPalette()
{
    const QColor window(0xEE, 0xF2, 0xF1);
    const QColor base(0xFF, 0xFF, 0xFF);
    const QColor text(0x1F, 0x2A, 0x30);
    const QColor button(0xE2, 0xE9, 0xE8);
    const QColor accent(0x2F, 0x6F, 0x73);

    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0xF4, 0xF7, 0xF6));
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x7A, 0x86, 0x8B));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, accent);
    p.setColor(QPalette::Light, Qt::white);
    p.setColor(QPalette::Midlight, QColor(0xD3, 0xDC, 0xDB));
    p.setColor(QPalette::Mid, QColor(0xA9, 0xB6, 0xB5));
    p.setColor(QPalette::Dark, QColor(0x7C, 0x8B, 0x8A));

    const QColor muted(0x93, 0x9D, 0xA1);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, muted);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0xA9, 0xB6, 0xB5));
    return p;
}

// Only frames, tabs and buttons: list rows keep the colours their owners paint.
const char *const StyleSheet = R"(
QPushButton, QToolButton { padding: 4px 12px; border: 1px solid #9DB3B1; border-radius: 4px; background: #F7FAF9; }
QPushButton:hover, QToolButton:hover { background: #E6F0EF; }
QPushButton:pressed, QToolButton:pressed { background: #CFE3E1; }
QPushButton:disabled, QToolButton:disabled { color: #8A9A99; border-color: #C9D3D2; }
QPushButton:default { border: 1px solid #2F6F73; }
QToolButton:checked { background: #2F6F73; color: white; font-weight: bold; border: 1px solid #1E4E51; }
QToolButton:checked:hover { background: #3A8085; }
QToolButton:checked:disabled { background: #93A9A8; color: #EEF2F1; border-color: #93A9A8; }
QTabBar::tab { padding: 6px 16px; }
QGroupBox { font-weight: bold; }
QStatusBar QLabel { padding: 0 6px; }
)";

} // namespace

bool applyAppStyle(QApplication &app)
{
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (!fusion)
        return false;
    QApplication::setStyle(fusion);
    QApplication::setPalette(calmPalette());
    app.setStyleSheet(QString::fromLatin1(StyleSheet));
    return true;
}
