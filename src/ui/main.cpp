// quarvelin: the desktop program that the host starts for the project it
// has open, named by workdir beside the program.
#include "ui/quarvelin_app.h"

int main(int argc, char** argv) {
  quarvelin::CQuarvelinApp app(argc, argv);
  app.InitInstance();
  return 0;
}
