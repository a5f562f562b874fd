#include "app/ServiceRecorder.h"

#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "workflow/ServiceRecording.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>

CServiceRecorder::CServiceRecorder(QSettings& settings, CVelmorTPExt& link) : m_settings(settings), m_link(link) {}

QString CServiceRecorder::Technician() const
{
    return m_settings.value(QLatin1String(kTechnicianKey)).toString();
}

void CServiceRecorder::SetTechnician(const QString& name)
{
    m_settings.setValue(QLatin1String(kTechnicianKey), name.trimmed());
}

void CServiceRecorder::AskTechnicianOnce()
{
    if (m_bAskedTechnician || !Technician().isEmpty() || !m_askTechnician)
        return;
    m_bAskedTechnician = true; // a cancelled question is not asked again this run
    QString name;
    if (m_askTechnician(name))
        SetTechnician(name);
}

CServiceLog& CServiceRecorder::Log()
{
    OpenLog();
    return m_log;
}

// Tried again while closed: a lock held by another program passes.
bool CServiceRecorder::OpenLog()
{
    if (m_log.IsOpen())
        return true;
    const QString path = m_settings.value(QLatin1String(kLogKey), QString::fromStdString(DefaultServiceLogPath())).toString();
    std::string strWarning;
    m_log.Open(path.toStdString(), strWarning);
    Warn(strWarning);
    return m_log.IsOpen();
}

void CServiceRecorder::Warn(const std::string& strWarning)
{
    if (strWarning.empty())
        return;
    const QString full = QString::fromStdString(strWarning);
    const QString path = QString::fromStdString(m_log.Path());
    emit Warning(path.isEmpty() ? full : QString(full).replace(path, QFileInfo(path).fileName()), full);
}

void CServiceRecorder::StartVisit(const CFittingIdentity& identity)
{
    m_unit = ServiceUnitOf(identity);
    m_visit = {};
    m_lastService = {};
    m_knownSettings.clear();
    if (!OpenLog())
        return;
    int nAdapter = 0;
    CAdapterDevice adapter;
    const std::string strAdapter = m_link.OpenedAdapter(nAdapter, adapter) ? ServiceAdapterName(nAdapter, adapter) : std::string();
    m_visit = m_log.StartVisit(m_unit, {Technician().toStdString(), strAdapter, FLUXA_VERSION});
    m_lastService.bShown = PrepareLastService();
    emit LastServiceChanged();
}

void CServiceRecorder::EndVisit()
{
    m_visit = {};
    m_lastService = {};
    emit LastServiceChanged();
}

// The unit's visit before this one (before any, while this one is not
// written) and what it held then; reading the log needs no fitting.
bool CServiceRecorder::PrepareLastService()
{
    CVisitSummary previous;
    bool bFound = false;
    std::string strError;
    if (m_log.PreviousVisit(m_unit, m_visit.llId, previous, bFound, strError) != Result::Ok
        || m_log.LastKnownSettings(m_unit, m_visit.llId, m_knownSettings, strError) != Result::Ok) {
        Warn(strError);
        return false;
    }
    if (bFound)
        m_lastService.previous = QDateTime::fromString(QString::fromStdString(previous.strStarted), Qt::ISODate).toLocalTime().date();
    return true;
}

void CServiceRecorder::Record(ServiceEventKind eKind, int nResult, const std::string& strMessage, std::vector<CServiceItem> items)
{
    Record({eKind, nResult, strMessage, std::move(items)});
}

void CServiceRecorder::Record(CServiceEvent event)
{
    const bool bCounted = event.eKind == ServiceEventKind::SettingsRead && event.nResult == Result::Ok && m_lastService.bShown
                          && m_lastService.nChanged < 0;
    if (bCounted)
        m_lastService.nChanged = CountChangedSettings(m_knownSettings, event.items);
    const long long llBefore = m_visit.llId;
    std::string strWarning;
    m_log.Record(m_visit, std::move(event), strWarning);
    Warn(strWarning);
    // The first event writes the visit: its report can be made from now on.
    if (bCounted || m_visit.llId != llBefore)
        emit LastServiceChanged();
}

void CServiceRecorder::RecordFor(const CFittingIdentity& identity, ServiceEventKind eKind, int nResult, const std::string& strMessage,
                                 std::vector<CServiceItem> items)
{
    RecordFor(identity, {eKind, nResult, strMessage, std::move(items)});
}

void CServiceRecorder::RecordFor(const CFittingIdentity& identity, CServiceEvent event)
{
    const CServiceUnit unit = ServiceUnitOf(identity);
    if (m_visit.strStarted.empty() || unit.strArticleNumber != m_unit.strArticleNumber || unit.strSerialNumber != m_unit.strSerialNumber)
        StartVisit(identity);
    Record(std::move(event));
}
