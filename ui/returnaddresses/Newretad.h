#pragma once

#include <QDialog>

class QLineEdit;

// The dialog that asks for the description of a return address, for adding and
// renaming. The caller sets the text and the caption and reads the text on OK.
class TDlgNewReturnAddress : public QDialog
{

public:
    explicit TDlgNewReturnAddress(QWidget *parent = nullptr);

    QLineEdit *EditReturnAddress() const { return m_editReturnAddress; }

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QLineEdit *m_editReturnAddress = nullptr;
};

TDlgNewReturnAddress *GetNewReturnAddressDialog();
// Frees the dialog (shutdown and tests).
void FreeNewReturnAddressDialog();
