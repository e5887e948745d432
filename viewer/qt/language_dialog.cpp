#include "language_dialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>

namespace {

QString utf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

}  // namespace

LanguageDialog::LanguageDialog(QWidget* owner, const std::string& languageDir, int32_t countryInUse)
    : QDialog(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle("Language");
    setObjectName("dialog111");
    setModal(false);
    setFont(QFont("Verdana", 8));
    const QRect size = dialogUnits(0, 0, 200, 110);
    setFixedSize(size.width(), size.height());

    list_ = new QListWidget(this);
    list_->setObjectName("501");
    list_->setGeometry(dialogUnits(5, 5, 70, 100));
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    addStatic(511, 80, 5, 50, "Language:");
    name_ = addStatic(512, 135, 5, 60, " ");
    addStatic(513, 80, 15, 50, "Developer:");
    author_ = addStatic(514, 135, 15, 60, " ");
    addStatic(515, 80, 25, 50, "Version:");
    version_ = addStatic(516, 135, 25, 60, " ");

    fill(kviewer::listThemes(languageDir, countryInUse));
}

// Dialog units: a quarter of the average character width across, an eighth of its height down.
QRect LanguageDialog::dialogUnits(int x, int y, int width, int height) const {
    const QFontMetrics metrics(font());
    const auto across = [&](int units) { return units * metrics.averageCharWidth() / 4; };
    const auto down = [&](int units) { return units * metrics.height() / 8; };
    return QRect(across(x), down(y), across(width), down(height));
}

QLabel* LanguageDialog::addStatic(int id, int x, int y, int width, const QString& text) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::number(id));
    label->setGeometry(dialogUnits(x, y, width, 10));
    return label;
}

void LanguageDialog::fill(const kviewer::LanguageList& themes) {
    list_->clear();
    for (const auto& entry : themes.entries) list_->addItem(utf8(entry.name));
    if (themes.selected >= 0) list_->setCurrentRow(themes.selected);
    name_->setText(utf8(themes.nameText));
    author_->setText(utf8(themes.authorText));
    version_->setText(utf8(themes.versionText));
}
