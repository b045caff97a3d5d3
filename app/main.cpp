// The station program: started in the folder that holds (or will hold) app.db,
// setup.db and the page's images/.

#include "app/CorvaneApp.h"

int main(int argc, char** argv)
{
    corvane::CorvaneApp::prepareProcess();
    corvane::CorvaneApp app(argc, argv);
    return app.run();
}
