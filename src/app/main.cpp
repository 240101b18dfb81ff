// lumatrix-gui [--profile FILE] [FILE|FOLDER]...: the desktop program.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <iostream>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("Lumatrix");
  QApplication::setWindowIcon(QIcon(":/lumatrix/lumatrix.svg"));
  std::optional<std::filesystem::path> profile;
  QStringList sources;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == "--profile") {
      if (i + 1 >= args.size()) {
        std::cerr << "lumatrix-gui: --profile needs a file\n";
        return 2;
      }
      profile = args[++i].toStdString();
    } else if (args[i] == "--help" || args[i] == "-h") {
      std::cout << "usage: lumatrix-gui [--profile FILE] [FILE|FOLDER]...\n";
      return 0;
    } else {
      sources << args[i];
    }
  }
  lumatrix::app::MainWindow window(profile, sources);
  window.show();
  return application.exec();
}
