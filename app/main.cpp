// velmora: the viewer. Runs until Escape, which ends the process with status 0.

#include <GL/glut.h>

#include "app/command_line.h"
#include "app/main_window.h"
#include "files/safe_file.h"

using namespace velmora;

int main(int argc, char** argv) {
    ignoreFileSizeSignal();
    CommandLine commandLine;
    if (const auto status = Arguments::handle(viewerProgram(commandLine), argc, argv)) {
        return *status;
    }
    // GLUT gets no command line of ours, only the program's name.
    int glutArgc = 1;
    char* glutArgv[] = {argv[0], nullptr};
    glutInit(&glutArgc, glutArgv);
    MainWindow::instance().startup(commandLine.modelPath, commandLine.unpaced,
                                   commandLine.clipFiles, commandLine.comparePath);
    glutMainLoop();
    return 0;
}
