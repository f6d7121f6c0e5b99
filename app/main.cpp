// velmora: the viewer. Runs until Escape, which ends the process with status 0.

#include <GL/glut.h>

#include <iostream>

#include "app/command_line.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
    const CommandLine commandLine =
        parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (commandLine.action) {
        case CommandLine::Action::ShowUsage:
            std::cout << usageText();
            return 0;
        case CommandLine::Action::UsageError:
            std::cerr << usageText();
            return 2;
        case CommandLine::Action::Run:
            break;
    }
    // GLUT gets no command line of ours, only the program's name.
    int glutArgc = 1;
    char* glutArgv[] = {argv[0], nullptr};
    glutInit(&glutArgc, glutArgv);
    MainWindow::instance().startup(commandLine.modelPath);
    glutMainLoop();
    return 0;
}
