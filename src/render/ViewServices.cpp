// The stand-in services and the help files the Help menu opens.
#include "render/ViewServices.h"

#include <utility>

namespace velmor {

namespace {

std::wstring g_programFolder;

} // namespace

const wchar_t* const kMakerSiteAddress = L"https://velmor.org/";

ViewServices& ServicesOrNone(ViewServices* services)
{
    static NoViewServices none;
    return services != nullptr ? *services : none;
}

void SetProgramFolder(std::wstring folder) { g_programFolder = std::move(folder); }
std::wstring ProgramFolder() { return g_programFolder; }

bool OpenTutorial(ViewServices& services) { return services.OpenDocument(ProgramFolder() + L"TutorialJ/index.html"); }
bool OpenManual(ViewServices& services) { return services.OpenDocument(ProgramFolder() + L"ManualJ.pdf"); }
bool OpenMakerSite(ViewServices& services) { return services.OpenDocument(kMakerSiteAddress); }

} // namespace velmor
