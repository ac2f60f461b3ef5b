// Catches every modal dialog the program opens, records it and answers it without showing it, so
// that a test can check a message box's text, caption and icon.
#pragma once

#include <wx/modalhook.h>
#include <wx/string.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ShownDialog
{
    wxString message;
    wxString caption;
    long icon = 0; // wxICON_EXCLAMATION, wxICON_STOP, ...
};

class CDialogHook : public wxModalDialogHook
{
public:
    static CDialogHook& Instance();

    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

    // Dialogs shown since the last call, oldest first.
    std::vector<ShownDialog> TakeShown();
    // Decides the next dialogs' results (wxID_OK by default); it may drive the dialog first.
    void SetAnswer(std::function<int(wxDialog*)> answer) { m_answer = std::move(answer); }

private:
    std::vector<ShownDialog> m_shown;
    std::function<int(wxDialog*)> m_answer;
};

class wxWindow;
class wxFileConfig;

// Settings in a file of the test's own, read back exactly as written.
std::unique_ptr<wxFileConfig> MakeSettings(const std::string& file);

// Destroys a top-level window now rather than at the next idle time, so that what it saves on the
// way out is there for the next step of the test.
void DestroyNow(wxWindow* window);

// Every GUI test: a dialog that the test did not take is a failure.
class GuiTest : public ::testing::Test
{
protected:
    void TearDown() override;
};
