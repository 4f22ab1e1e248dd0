#pragma once

#include <QDialog>

class QLineEdit;

// Asks for the description of a new favourite; the file it stands for is shown only.
class TFormFavoritesAdd : public QDialog
{
public:
    explicit TFormFavoritesAdd(QWidget *parent = nullptr);

    QLineEdit *EditDescription;
    QLineEdit *EditFileName;

protected:
    void showEvent(QShowEvent *event) override;
};

TFormFavoritesAdd *GetFavoritesAddForm();
// Frees the form (shutdown and tests).
void FreeFavoritesAddForm();

// Shows Form with Description and Target; on OK creates the shortcut to Target in
// Folder, named after the description. True when a favourite was created; a
// shortcut that cannot be made is reported to the user.
bool AddFavorite(TFormFavoritesAdd *Form, const QString &Folder, const QString &Target,
                 const QString &Description);

// The shortcut "<Folder>/<Description>.LNK" to Target, the description stripped of
// the characters a file name cannot hold; an existing shortcut of that name, in
// any letter case, is replaced. Shows "Could not create shortcut" and why and returns false
// when nothing is left of the description or the file cannot be written.
bool CreateFavorite(const QString &Folder, const QString &Target, const QString &Description);
