#include "colorproject.h"

#include "testfiles.h"

namespace TestSupport {
namespace {

const char smallModel[] =
    "Chat : Base | Logging | Crypt | Net ;\nNet : Tcp | Udp ;\nExtra : Sound ;\n";
const char smallAnnotations[] = R"(<?xml version="1.0"?>
<project name="small">
  <folder name="src">
    <folder name="chat">
      <file name="Client.java" length="6">
        <fragment startline="1" endline="1"><feature>Sound</feature></fragment>
        <fragment startline="2" endline="4"><feature>Logging</feature></fragment>
        <fragment startline="5" endline="5"><feature>Crypt</feature></fragment>
        <fragment startline="6" endline="6"><feature>Tcp</feature></fragment>
      </file>
    </folder>
    <file name="Main.java" length="4">
      <fragment startline="1" endline="2"><feature>Base</feature></fragment>
      <fragment startline="3" endline="3"><feature>Udp</feature></fragment>
      <fragment startline="4" endline="4"><feature>Logging</feature></fragment>
    </file>
  </folder>
</project>
)";

} // namespace

bool writeSmallProject(const QString &folder)
{
    return writeFile(folder + "/model.m", smallModel)
           && writeFile(folder + "/annotations.xml", smallAnnotations)
           && writeFile(folder + "/src/chat/Client.java",
                        "class Client {\n  void log() {}\n  int a;\n  int b;\n"
                        "  int key;\n  int port;\n")
           && writeFile(folder + "/src/Main.java",
                        "class Main {\n  void run() {}\n  int port;\n  void log() {}\n");
}

bool writeWideProject(const QString &folder, int count)
{
    QStringList names;
    QByteArray fragments;
    QByteArray source;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("F%1").arg(i, 2, 10, QLatin1Char('0'));
        names << name;
        fragments += QStringLiteral("      <fragment startline=\"%1\" endline=\"%1\">"
                                    "<feature>%2</feature></fragment>\n")
                         .arg(i + 1).arg(name).toUtf8();
        source += "int f" + QByteArray::number(i) + ";\n";
    }
    const QByteArray annotations = "<?xml version=\"1.0\"?>\n<project name=\"wide\">\n"
                                   "  <folder name=\"src\">\n    <file name=\"All.java\" length=\""
                                   + QByteArray::number(count) + "\">\n" + fragments
                                   + "    </file>\n  </folder>\n</project>\n";
    return writeFile(folder + "/model.m", "Root : " + names.join(" | ").toUtf8() + " ;\n")
           && writeFile(folder + "/annotations.xml", annotations)
           && writeFile(folder + "/src/All.java", source);
}

} // namespace TestSupport
