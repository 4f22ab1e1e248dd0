#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The windows of the contact import: progress while the address book is read,
// the choice of folder and contacts, and the formatting of one contact. Each is
// made on first use and kept until the program ends.

class TFormOutlookProgress : public QDialog
{
    Q_OBJECT
public:
    explicit TFormOutlookProgress(QWidget *parent = nullptr);

    QLabel *LabelActivity;
    QLabel *LabelFolder;
    QProgressBar *ProgressBar;
    QPushButton *BitBtnCancel;
    // True while the reading may go on; Cancel clears it.
    bool Continue = true;

    void StepIt();

protected:
    void reject() override;

private:
    void BitBtnCancelClick();
};

class TFormSelectContact : public QDialog
{
    Q_OBJECT
public:
    explicit TFormSelectContact(QWidget *parent = nullptr);

    QComboBox *ComboBoxContactFolders;
    QListWidget *CheckListBoxContacts;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QPushButton *HelpBtn;
    QPushButton *BitBtnReload;

    // Fills the folder box without it counting as the user's choice.
    void SetFolders(const QStringList &Names, int Selected);
    // Fills the contact list, every entry unticked.
    void SetContacts(const QStringList &Names);
    bool Checked(int Index) const;
    void SetChecked(int Index, bool Checked);

protected:
    void reject() override;

private:
    bool m_filling = false;
};

// What the formatting window needs of one contact.
struct TContactNameParts
{
    QString First;
    QString Last;
    QString Full;
    QString Spouse;
    QString Children;
    QString Job;
    QString Company;
    QString Mailing;
    QString Business;
};

// The ways of writing the name, in the order offered.
QStringList ContactNameVariants(const TContactNameParts &Parts);

class TFormFormatContactAddress : public QDialog
{
    Q_OBJECT
public:
    explicit TFormFormatContactAddress(QWidget *parent = nullptr);

    QComboBox *ComboBoxNames;
    QCheckBox *CheckBoxJobTitle;
    QLineEdit *EditJobTitle;
    QCheckBox *CheckBoxCompany;
    QLineEdit *EditCompanyName;
    QPlainTextEdit *MemoAddress;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QPushButton *HelpBtn;

    void ClearFields();
    // Fills the window for one contact (not shown).
    void Fill(const TContactNameParts &Parts);

protected:
    void reject() override;
};

TFormOutlookProgress *GetOutlookProgressForm();
TFormSelectContact *GetSelectContactForm();
TFormFormatContactAddress *GetFormatContactAddressForm();
// Frees the three at shutdown.
void FreeContactForms();
