#include "app/pages/DlgTools.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/DlgProgress.h"
#include "app/FittingJobOwner.h"
#include "app/ErrorBox.h"
#include "app/FileChooser.h"
#include "app/ProductSession.h"
#include "app/ServiceRecorder.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"
#include "app/widgets/ControlElements.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPExt.h"
#include "workflow/ServiceRecording.h"
#include "workflow/FittingReadout.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>

#include <utility>

namespace {

constexpr int kSelectWidth = 120;
constexpr int kButtonHeight = 25;
constexpr int kPathGap = 12;
constexpr int kInfoFirstId = 1400; // label, value, label, value, ...
constexpr int kInfoLabelWidth = 190;
constexpr int kInfoRowHeight = 22;

} // namespace

CDlgTools::CDlgTools(const CPageContext& context, QWidget* pParent) : CPageBase("Tools", context, pParent)
{
    m_pTitle = AddStatic(1264, 12, true);
    AddLine(1265);
    m_pManual = NewControl<QCheckBox>(this, 1275);
    m_pSelect = AddButton(1276);
    m_pPath = AddStatic(1266, 11);
    m_pPath->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pStart = AddButton(1268);
    m_pStart->setFont(g_fontLarge);
    m_pStart->setEnabled(false);
    for (int i = 0; i < 2 * kInfoRows; ++i) {
        m_pInfo[i] = AddStatic(kInfoFirstId + i, 11);
        m_pInfo[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_pInfo[i]->SetTextColor(i % 2 == 0 ? kDarkGrey : kDarkRed);
    }
    connect(m_pManual, &QCheckBox::toggled, this, &CDlgTools::ApplyManualProgramming);
    connect(m_pSelect, &QPushButton::clicked, this, &CDlgTools::SelectFile);
    connect(m_pStart, &QPushButton::clicked, this, &CDlgTools::StartProgramming);
    SetLanguage(g_nLanguage);
    ArrangeControls();
    ApplyManualProgramming();
}

void CDlgTools::SetLanguage(int nLanguage)
{
    m_pTitle->setText(UiText(nLanguage, "Programming FLASH memory", "Programmierung FLASH Speicher"));
    m_pSelect->setText(UiText(nLanguage, "Select", "Auswahl"));
    m_pStart->setText(UiText(nLanguage, "Start programming", "Start Programmierung"));
    ShowChosenFile();
    SetToolTip(m_pManual, 1275, "Enables / disables the manual programming", "Schaltet die manuelle Programmierung ein/aus");
}

void CDlgTools::ArrangeControls()
{
    CControlOption group(width());
    group.SetTitle(m_pTitle);
    group.SetCheck(m_pManual);
    group.SetLine(findChild<QWidget*>(ControlName(1265)));
    group.SetPosition(PageGeometry::kFirstColumnLeft, PageGeometry::kColumnTop / 2);
    group.Arrange();
    // The path gets the rest of the page's width: it can be long.
    const QPoint row = group.GetNextPosition();
    m_pSelect->setGeometry(row.x(), row.y(), kSelectWidth, kButtonHeight);
    const int nPathLeft = row.x() + kSelectWidth + kPathGap;
    m_pPath->setGeometry(nPathLeft, row.y(), width() - PageGeometry::kFirstColumnLeft - nPathLeft, kButtonHeight);
    m_pStart->setGeometry(width() - 221, height() - 71, 200, 50);
    ArrangeImageInfo(row.y() + kButtonHeight + kPathGap);
}

void CDlgTools::ArrangeImageInfo(int nTop)
{
    const int nValueLeft = PageGeometry::kFirstColumnLeft + kInfoLabelWidth;
    for (int i = 0; i < kInfoRows; ++i) {
        const int y = nTop + i * kInfoRowHeight;
        m_pInfo[2 * i]->setGeometry(PageGeometry::kFirstColumnLeft, y, kInfoLabelWidth, kInfoRowHeight);
        m_pInfo[2 * i + 1]->setGeometry(nValueLeft, y, width() - PageGeometry::kFirstColumnLeft - nValueLeft, kInfoRowHeight);
    }
}

void CDlgTools::ApplyManualProgramming()
{
    const bool bManual = m_pManual->isChecked();
    m_pSelect->setEnabled(bManual);
    for (CColorStatic* pText : {m_pTitle, m_pPath})
        pText->SetTextColor(bManual ? QColor(Qt::black) : kLightGrey);
}

void CDlgTools::ShowChosenFile()
{
    for (CColorStatic* pInfo : m_pInfo)
        pInfo->setVisible(!m_strChosenPath.isEmpty());
    if (m_strChosenPath.isEmpty()) {
        m_pPath->setText(UiText("Choose file", "Wähle Datei"));
        return;
    }
    const CFirmwareImageInfo& image = m_Download.ImageInfo();
    const QString texts[2 * kInfoRows] = {
        UiText("Version of the image:", "Version der Datei:"),
        image.strVersion.empty() ? UiText("unknown", "unbekannt") : QString::fromStdString(image.strVersion),
        UiText("Product family:", "Produktfamilie:"),
        QString::fromStdString(FirmwareFamilyText(image.eFamily)),
        UiText("Size:", "Größe:"),
        QString::fromStdString(FormatText(PickText("%llu bytes", "%llu Byte"), static_cast<unsigned long long>(image.nDataBytes))),
        UiText("Version in the faucet:", "Version in der Armatur:"),
        RunningVersionText(),
    };
    for (int i = 0; i < 2 * kInfoRows; ++i)
        m_pInfo[i]->setText(texts[i]);
    // A file in the home folder is named from there, as the technician knows it.
    const QString home = QDir::homePath() + QLatin1Char('/');
    m_pPath->setText(QDir::toNativeSeparators(m_strChosenPath.startsWith(home) ? QStringLiteral("~/") + m_strChosenPath.mid(home.size())
                                                                               : m_strChosenPath));
}

QString CDlgTools::RunningVersionText() const
{
    if (Session().IsInBootloader())
        return UiText("none (boot loader)", "keine (Bootloader)");
    const std::string& strVersion = Session().RunningVersion();
    return strVersion.empty() ? UiText("unknown", "unbekannt") : QString::fromStdString(strVersion);
}

bool CDlgTools::ConfirmProgramming() const
{
    const std::string& strImage = m_Download.ImageInfo().strVersion;
    const std::string strQuestion = FormatText(PickText("Do you want to program the firmware of the file into the faucet?\n\n"
                                                        "In the faucet: %s\nFrom the file: %s",
                                                        "Möchten Sie die Firmware der Datei in die Armatur programmieren?\n\n"
                                                        "In der Armatur: %s\nAus der Datei: %s"),
                                               RunningVersionText().toStdString().c_str(),
                                               strImage.empty() ? PickText("unknown", "unbekannt") : strImage.c_str());
    return m_askToProgram ? m_askToProgram(strQuestion) : AskQuestion(window(), PickText("Start programming", "Start Programmierung"), strQuestion);
}

void CDlgTools::SelectFile()
{
    const QString path = Files().ChooseOpenFile(this, CFileChooser::kFirmware, UiText("Flash files (*.hex)", "Flash Dateien (*.hex)"),
                                                QStringLiteral("hex"));
    if (!path.isEmpty())
        ChooseFile(path);
}

void CDlgTools::ChooseFile(const QString& path)
{
    std::string strError;
    const bool bSupported = m_Download.ChooseFile(path.toStdString(), Session().ProductType(), strError) == Result::Ok;
    // The path shown is always the file that Start would program.
    m_strChosenPath = bSupported ? path : QString();
    m_pStart->setEnabled(bSupported);
    ShowChosenFile();
    if (!bSupported)
        ShowErrorMessage(window(), FirmwareFileMessage(m_Download, path.toStdString(), Session().ProductType(), strError));
}

void CDlgTools::StartProgramming()
{
    if (!Jobs().CanStart())
        return;
    // A product without a download is told so by the download itself.
    FirmwareProductParameters parameters{};
    if (CFirmwareDownload::GetProductParameters(Session().ProductType(), parameters) && !ConfirmProgramming())
        return; // nothing sent; Start stays for the same file
    Recorder().AskTechnicianOnce();
    // Start waits for the next choice of a file.
    m_pStart->setEnabled(false);
    const QString path = std::exchange(m_strChosenPath, QString());
    const int nProductType = Session().ProductType();
    std::string strImageVersion;
    m_Download.GetImageVersion(nProductType, strImageVersion);
    std::string strError;
    DownloadEnd eEnd = DownloadEnd::Refused;
    CProgrammedUnit unit;
    {
        // The download and the identification after it as one.
        const CFittingJobOwner::CSequence sequence(Jobs(), 2);
        const int nResult = Jobs().Run(2, [&](std::string& strJobError) {
            return Program(nProductType, strImageVersion, eEnd, unit, strJobError);
        }, strError);
        RecordDownload(path, unit, nResult, strError);
        if (eEnd == DownloadEnd::Programmed || eEnd == DownloadEnd::NotConfirmed)
            emit ImageWritten();
        // Told before what the monitors saw meanwhile.
        ReportDownloadEnd(eEnd, nResult, strError);
    }
    ShowChosenFile();
}

int CDlgTools::Program(int nProductType, const std::string& strImageVersion, DownloadEnd& eEnd, CProgrammedUnit& unit, std::string& strError)
{
    CVelmorTPExt& link = Session().Link();
    CProductCatalog& catalog = Session().Catalog();
    const CFittingIdentity& before = unit.before;
    CFittingIdentity& after = unit.after;
    eEnd = DownloadEnd::Refused;
    int nResult = IdentifyFitting(link, catalog, unit.before, strError); // the unit to be programmed
    if (nResult != Result::Ok)
        return nResult;
    CIdentificationAfterDownload identifyAgain(link, catalog, m_Download, after);
    const auto onProgress = [this](const std::string& strText, int nPercent) {
        QMetaObject::invokeMethod(this, [this, strText, nPercent] { ShowProgress(strText, nPercent); }, Qt::QueuedConnection);
    };
    if ((nResult = m_Download.StartProgramming(link, nProductType, onProgress, &identifyAgain, strError)) != Result::Ok)
        return nResult;
    if ((nResult = m_Download.GetResult()) != Result::Ok) {
        strError = m_Download.GetError();
        // A download that failed before the boot loader took over leaves the application.
        int nRunning = 0;
        std::string strIgnored;
        const bool bApplication = link.GetActiveApplication(nRunning, strIgnored) == Result::Ok && nRunning == CVelmorTPExt::kRunningApplication;
        eEnd = bApplication ? DownloadEnd::ApplicationKept : DownloadEnd::CutShort;
        return nResult;
    }
    eEnd = DownloadEnd::NotConfirmed;
    if ((nResult = identifyAgain.GetResult()) != Result::Ok) {
        strError = identifyAgain.GetError();
        return nResult;
    }
    unit.bAnswered = true;
    if ((nResult = CheckProgrammedFitting(before, after, strImageVersion, strError)) == Result::Ok)
        eEnd = DownloadEnd::Programmed;
    return nResult;
}

void CDlgTools::RecordDownload(const QString& path, const CProgrammedUnit& unit, int nResult, const std::string& strError) const
{
    if (unit.before.strArticleNumber.empty())
        return; // no unit answered: nothing to record it for
    Recorder().RecordFor(unit.before, ServiceEventKind::FirmwareDownload, nResult, strError,
                         FirmwareDownloadItems(path.toStdString(), unit.before.strSoftwareVersion,
                                               unit.bAnswered ? unit.after.strSoftwareVersion : std::string()));
}

void CDlgTools::ReportDownloadEnd(DownloadEnd eEnd, int nResult, const std::string& strError) const
{
    const char* szWhat = nullptr;
    switch (eEnd) {
    case DownloadEnd::Programmed:
        return;
    case DownloadEnd::Refused:
        ShowJobError(nResult, strError);
        return;
    case DownloadEnd::ApplicationKept:
        szWhat = PickText("The firmware download was not completed: the faucet still runs its application.",
                          "Die Firmware wurde nicht programmiert: Die Armatur arbeitet weiter mit ihrer Applikation.");
        break;
    case DownloadEnd::CutShort:
        szWhat = PickText("The firmware download was not completed: the faucet has no working application now and waits in its boot "
                          "loader.\n\nChoose the file and press \"Start programming\" again.",
                          "Die Firmware wurde nicht vollständig programmiert: Die Armatur hat jetzt keine funktionsfähige Applikation und "
                          "wartet in ihrem Bootloader.\n\nWählen Sie die Datei und drücken Sie erneut \"Start Programmierung\".");
        break;
    case DownloadEnd::NotConfirmed:
        szWhat = PickText("The firmware was written, but what answers now is not the faucet as programmed. Check which faucet is "
                          "connected; if it is the one meant, program it again.",
                          "Die Firmware wurde geschrieben, aber es antwortet nicht die Armatur wie programmiert. Prüfen Sie, welche "
                          "Armatur angeschlossen ist; ist es die gemeinte, programmieren Sie sie erneut.");
        break;
    }
    // The cause's hint, say an adapter pulled, follows what the fitting is left with.
    const std::string strHint = FailureHint(nResult, strError, HintAudience::Window);
    ShowJobMessage(WithDetails(strHint.empty() ? szWhat : szWhat + std::string("\n\n") + strHint, strError));
}

void CDlgTools::ShowProgress(const std::string& strText, int nPercent)
{
    // The step texts end in a line break, which would push a centred line
    // out of the progress dialog's text field.
    QString line = QString::fromStdString(strText);
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    CDlgProgress* pProgress = Jobs().Progress();
    pProgress->SetText(line.toStdString());
    pProgress->SetPos(static_cast<unsigned char>(nPercent));
    emit ProgressShown(line, nPercent);
}
