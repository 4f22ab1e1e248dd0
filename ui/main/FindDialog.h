#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

// The find dialog: a search text, match case and whole word, searching down.
// It stays open beside the window; each Find Next emits findNext.
class TFindDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFindDialog(QWidget *parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString &Text);
    bool MatchCase() const;
    bool WholeWord() const;

    QLineEdit *FindEdit;
    QCheckBox *CheckBoxWholeWord;
    QCheckBox *CheckBoxMatchCase;

signals:
    void findNext();
    void closed();

protected:
    void hideEvent(QHideEvent *Event) override;
};
