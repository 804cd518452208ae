// VTK's messages (errors and warnings of filters meeting degenerate data) go to the debug trace,
// never to the host's standard error: a library shows no output of its own. Installed as the
// library loads.
#include <vtkLogger.h>
#include <vtkNew.h>
#include <vtkObjectFactory.h>
#include <vtkOutputWindow.h>

#include "automation/trace.h"

namespace lumenar {

namespace {

class CTraceOutputWindow : public vtkOutputWindow {
public:
    static CTraceOutputWindow* New();
    vtkTypeMacro(CTraceOutputWindow, vtkOutputWindow)
    void DisplayText(const char* text) override { automation::Trace(text ? text : ""); }
};

vtkStandardNewMacro(CTraceOutputWindow);

const bool kInstalled = [] {
    vtkLogger::SetStderrVerbosity(vtkLogger::VERBOSITY_OFF);
    vtkNew<CTraceOutputWindow> window;
    vtkOutputWindow::SetInstance(window);
    return true;
}();

}  // namespace

}  // namespace lumenar
