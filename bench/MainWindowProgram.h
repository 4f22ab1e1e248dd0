#pragma once

// The program's units and its main window on a scratch settings folder, offscreen,
// for benchmarks that drive the window as a person or another program does.
#include "engine/DefinitionStore.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmPrinter.h"
#include "foundation/Unique.h"
#include "foundation/WindowsDefaultFolders.h"
#include "integrations/WindowOpeners.h"
#include "platform/MessageService.h"
#include "platform/PdfSpooler.h"
#include "ui/definitions/Envsizes.h"
#include "ui/main/MainForm.h"
#include "ui/main/Oldfiles.h"
#include "ui/returnaddresses/Retaddrs.h"

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

class SilentMessages : public TMessageService
{
public:
    int MessageDlg(const QString &, TMsgDlgType, TMsgDlgButtons, int) override
    {
        ++shown;
        return mrOk;
    }
    int shown = 0;
};

class MainWindowProgram
{
public:
    MainWindowProgram()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        for (const char *var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            qputenv(var, m_dir.path().toLocal8Bit());
        static int argc = 1;
        static char name[] = "bench";
        static char *argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
        SetMessageService(&messages);
        StartWindowsDefaultFolders();
        StartQmIniFile(m_dir.filePath(QStringLiteral("plikora")));
        StartUnique();
        StartQmPrinter(std::make_unique<PdfSpooler>());
        StartOldfiles();
        m_definitions = std::make_unique<DefinitionStore>();
        m_returnAddresses = std::make_unique<ReturnAddressStore>();
        form = new TFormStampMain(*m_definitions, *m_returnAddresses,
                                  {[](TFormStampMain &) {}, [](RichEdit &) {}}, ProgramWindowOpeners());
        new TDlgEnvelopeSizes(*m_definitions, form);
        new TDlgReturnAddresses(*m_returnAddresses, form);
        m_definitions->LoadEnvelopeList();
        m_returnAddresses->LoadReturnAddressList();
    }
    ~MainWindowProgram()
    {
        delete DlgReturnAddresses;
        delete DlgEnvelopeSizes;
        delete form;
        m_returnAddresses.reset();
        m_definitions.reset();
        StopOldfiles();
        StopQmPrinter();
        StopUnique();
        StopQmIniFile();
        StopWindowsDefaultFolders();
        SetMessageService(nullptr);
    }
    QString Path(const QString &name) const { return m_dir.filePath(name); }

    SilentMessages messages;
    TFormStampMain *form = nullptr;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<DefinitionStore> m_definitions;
    std::unique_ptr<ReturnAddressStore> m_returnAddresses;
};

inline MainWindowProgram &TheMainWindowProgram()
{
    static MainWindowProgram program;
    return program;
}
