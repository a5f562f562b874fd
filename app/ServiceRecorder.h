#pragma once
// The window's service record: the log named in the settings, the visit of
// the unit identified last, and the events the pages record into it after
// their jobs, on the GUI thread. Recording is a side effect: what cannot be
// recorded becomes a warning for the window's status line, never a failed
// job, and it adds no exchange with the fitting.

#include "servicelog/ServiceLog.h"
#include "workflow/FittingReadout.h"

#include <QDate>
#include <QObject>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CVelmorTPExt;
class QSettings;

class CServiceRecorder : public QObject {
    Q_OBJECT
public:
    // The settings keys fluxa-cli reads too.
    static constexpr const char* kLogKey = "Settings/ServiceLog";
    static constexpr const char* kTechnicianKey = "Settings/Technician";
    // Records are kept on the GUI thread: a database locked by another
    // program holds the window up no longer than this.
    static constexpr std::chrono::milliseconds kLockWait{50};

    CServiceRecorder(QSettings& settings, CVelmorTPExt& link);

    QString Technician() const;
    void SetTechnician(const QString& name);
    // The question for the technician's name; true with the name given.
    void SetTechnicianQuestion(std::function<bool(QString& name)> ask) { m_askTechnician = std::move(ask); }
    // Asks for the name once a run, while none is stored.
    void AskTechnicianOnce();

    // A unit identified by Next: its visit starts, or continues, and the
    // last-service line is prepared; the settings read completes it.
    void StartVisit(const CFittingIdentity& identity);
    // The window let go of the unit: nothing more is recorded into its visit.
    void EndVisit();
    // An event of the current visit.
    void Record(ServiceEventKind eKind, int nResult, const std::string& strMessage, std::vector<CServiceItem> items);
    void Record(CServiceEvent event);
    // An event of a unit that may not have been through Next (a fitting in
    // its boot loader): its visit starts first when it is not the current one.
    void RecordFor(const CFittingIdentity& identity, ServiceEventKind eKind, int nResult, const std::string& strMessage,
                   std::vector<CServiceItem> items);
    void RecordFor(const CFittingIdentity& identity, CServiceEvent event);

    // The visit recorded into (0: none, or none written yet), e.g. for its
    // service report.
    long long CurrentVisit() const { return m_visit.llId; }
    // The unit identified last; its article number is empty before the first.
    const CServiceUnit& CurrentUnit() const { return m_unit; }
    // The log, opened on first use; closed when it cannot be used.
    CServiceLog& Log();

    // What the last-service line says of the current unit.
    struct CLastService {
        bool bShown = false;      // a unit was identified and its visit started
        QDate previous;           // its last visit before this one; null for its first
        int nChanged = -1;        // settings changed since; -1 until read
    };
    const CLastService& LastService() const { return m_lastService; }

signals:
    // A warning for the status line, in the language in force: the database
    // named by its file name, and in full.
    void Warning(const QString& shown, const QString& full);
    void LastServiceChanged();

private:
    bool OpenLog();
    void Warn(const std::string& strWarning);
    bool PrepareLastService();

    QSettings& m_settings;
    CVelmorTPExt& m_link;
    CServiceLog m_log{CServiceLog::kVisitContinues, kLockWait};
    std::function<bool(QString&)> m_askTechnician;
    bool m_bAskedTechnician = false;
    CServiceVisit m_visit;
    CServiceUnit m_unit;
    CLastService m_lastService;
    std::map<std::string, std::string> m_knownSettings; // what the unit held before this visit
};
