// The Language dialog: the themes of the Language folder and the details of the one in use.
#pragma once

#include "theme.h"

#include <QDialog>

class QLabel;
class QListWidget;

class LanguageDialog : public QDialog {
public:
    LanguageDialog(QWidget* owner, const std::string& languageDir, int32_t countryInUse);

    QListWidget* list() const { return list_; }
    QLabel* nameLabel() const { return name_; }
    QLabel* authorLabel() const { return author_; }
    QLabel* versionLabel() const { return version_; }

private:
    QRect dialogUnits(int x, int y, int width, int height) const;
    QLabel* addStatic(int id, int x, int y, int width, const QString& text);
    void fill(const kviewer::LanguageList& themes);

    QListWidget* list_;
    QLabel* name_;
    QLabel* author_;
    QLabel* version_;
};
