// The toolkit reports a failed save through its log, which shows a box of its own at the next idle
// time or at exit; the save is made with a log of our own instead, which keeps the reason.
#include "app/SettingsFile.h"

#include "resources/Resources.h"
#include "views/DisplayText.h"
#include "views/MessageBoxes.h"

#include <wx/log.h>
#include <wx/msgdlg.h>

namespace {

// Keeps the first system error logged while it is the active log, and shows nothing.
class CReasonLog : public wxLog
{
public:
    CReasonLog() : m_previous(wxLog::SetActiveTarget(this)) {}
    ~CReasonLog() override { wxLog::SetActiveTarget(m_previous); }
    CReasonLog(const CReasonLog&) = delete;
    CReasonLog& operator=(const CReasonLog&) = delete;

    const wxString& GetReason() const { return m_reason; }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo& info) override
    {
        wxUIntPtr code = 0;
        if (info.GetNumValue(wxLOG_KEY_SYS_ERROR_CODE, &code) && !m_fromSystem) {
            m_reason = wxSysErrorMsgStr(static_cast<unsigned long>(code));
            m_fromSystem = true;
        } else if (m_reason.empty() && level <= wxLOG_Warning) {
            m_reason = message;
        }
    }

private:
    wxLog* m_previous;
    wxString m_reason;
    bool m_fromSystem = false;
};

} // namespace

CSettingsFile::CSettingsFile(const wxString& appName, const wxString& vendorName, const wxString& file)
    : wxFileConfig(appName, vendorName, file, wxEmptyString,
                   wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE, CSettingsConv()),
      m_file(file.empty() ? GetLocalFileName(appName, wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE)
                          : file)
{
    SetExpandEnvVars(false);
    DisableAutoSave(); // the toolkit's own save on destruction would show its box; ours is below
}

CSettingsFile::~CSettingsFile()
{
    Flush();
}

bool CSettingsFile::Flush(bool currentOnly)
{
    const CReasonLog log;
    const bool saved = wxFileConfig::Flush(currentOnly);
    m_failure = saved ? wxString() : log.GetReason();
    return saved;
}

void CSettingsFile::SaveAtExit()
{
    if (Flush())
        return;
    wxString text = "The settings could not be saved to %1.";
    text.Replace("%1", PathForMessage(nullptr, m_file));
    if (!m_failure.empty())
        text += "\n\n" + m_failure;
    wxMessageBox(text, kAppName, wxOK | wxICON_WARNING);
}
