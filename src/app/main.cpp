#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Torvanel/DB");
  QMainWindow main;
  main.setWindowTitle("Torvanel");
  main.resize(800, 600);
  main.show();
  return app.exec();
}
