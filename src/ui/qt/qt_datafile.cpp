#include "ui/qt/qt_datafile.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

#include <QCoreApplication>

namespace tarn {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

// "(CSVファイル) | *.csv" — description and pattern pairs split by "|" — in
// Qt's form, "(CSVファイル) (*.csv)".
QStringList nameFilters(const std::string& filter) {
  const QStringList parts = q(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    filters << parts[i].trimmed() + " (" + parts[i + 1].trimmed() + ")";
  return filters;
}

// Qt's own dialog accepts a name in a folder that does not exist; this one
// stays open instead, with the toolkit's message. Native dialogs refuse such
// names by themselves.
class FileDialog : public QFileDialog {
 public:
  explicit FileDialog(QWidget* parent) : QFileDialog(parent) {}

 protected:
  void accept() override {
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
      const QString folder = QFileInfo(files.first()).absolutePath();
      if (!QFileInfo(folder).isDir()) {
        QMessageBox::warning(this, windowTitle(),
                             QFileDialog::tr("%1\nDirectory not found.\nPlease verify the "
                                             "correct directory name was given.")
                                 .arg(folder));
        return;
      }
    }
    QFileDialog::accept();
  }
};

// Runs a file dialog of `mode` for `request`; the paths chosen, none when
// cancelled.
QStringList chosen(QWidget& parent, const SaveRequest& request, QFileDialog::FileMode mode) {
  // Qt's dialog keeps its history and layout in the user's settings; the
  // program keeps nothing between runs, so the dialog gets a scratch place.
  const QTemporaryDir scratch;
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, scratch.path());
  FileDialog dialog(&parent);
  dialog.setAcceptMode(mode == QFileDialog::AnyFile ? QFileDialog::AcceptSave
                                                    : QFileDialog::AcceptOpen);
  dialog.setFileMode(mode);
  if (mode == QFileDialog::Directory)
    dialog.setOption(QFileDialog::ShowDirsOnly);
  else
    dialog.setNameFilters(nameFilters(request.filter));
  dialog.setWindowTitle(q(request.title));
  dialog.setDirectory(q(request.folder));
  // The last chosen path is offered again, in its own folder.
  if (!request.offered.empty()) dialog.selectFile(q(request.offered));
  if (dialog.exec() != QDialog::Accepted) return {};
  QStringList paths = dialog.selectedFiles();
  for (QString& path : paths) path = QDir::toNativeSeparators(path);
  return paths;
}

}  // namespace

std::optional<std::string> QtSaveDialog::askSavePath(const SaveRequest& request) {
  const QStringList paths = chosen(parent_, request, QFileDialog::AnyFile);
  if (paths.isEmpty()) return std::nullopt;
  return paths.first().toStdString();
}

std::optional<std::string> QtSaveDialog::askFolder(const SaveRequest& request) {
  const QStringList paths = chosen(parent_, request, QFileDialog::Directory);
  if (paths.isEmpty()) return std::nullopt;
  return paths.first().toStdString();
}

std::vector<std::string> QtSaveDialog::askOpenPaths(const SaveRequest& request) {
  std::vector<std::string> out;
  for (const QString& path : chosen(parent_, request, QFileDialog::ExistingFiles))
    out.push_back(path.toStdString());
  return out;
}

namespace {

QMessageBox::StandardButton showMessage(QWidget& parent, const std::string& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton preset) {
  // An empty title lets the platform show the program's name.
  QMessageBox box(QMessageBox::NoIcon, QString(), q(text), buttons, &parent);
  box.setDefaultButton(preset);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void QtMessageBox::tell(const std::string& text) {
  showMessage(parent_, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessageBox::ask(const std::string& text) {
  return showMessage(parent_, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
         QMessageBox::Yes;
}

int64_t QtFileStore::fileLength(const std::string& path) {
  const QFileInfo info(q(path));
  if (!info.exists()) return -1;
  if (!info.isFile()) throw FileError("Not a file: " + path);
  return info.size();
}

void QtFileStore::replaceFile(const std::string& path, std::string_view bytes) {
  const QString name = q(path);
  // A device or a folder cannot be replaced in one step: a new file would
  // take its place.
  if (const QFileInfo info(name); info.exists() && !info.isFile())
    throw FileError("Not a file: " + path);
  QSaveFile file(name);
  const auto size = static_cast<qint64>(bytes.size());
  // commit() does not notice a write that fails in its own flush (a full
  // disk) and would put the cut-off file in place: flush first. Without a
  // commit the destructor throws the new file away.
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), size) != size || !file.flush() ||
      !file.commit())
    throw FileError(file.errorString().toStdString());
}

std::string QtFileStore::readFile(const std::string& path) {
  QFile file(q(path));
  if (!file.open(QIODevice::ReadOnly)) throw FileError(file.errorString().toStdString());
  const QByteArray bytes = file.readAll();
  // A folder opens, and reads as nothing with an error.
  if (file.error() != QFileDevice::NoError) throw FileError(file.errorString().toStdString());
  return bytes.toStdString();
}

bool QtFileStore::folderWritable(const std::string& folder) {
  const QFileInfo info(q(folder));
  return info.isDir() && info.isWritable();
}

std::string QtFileStore::homeFolder() { return QDir::homePath().toStdString(); }

std::string QtFileStore::programFolder() {
  return QCoreApplication::applicationDirPath().toStdString();
}

bool XdgOpener::open(const std::string& path) {
  return QProcess::startDetached("xdg-open", {q(path)});
}

}  // namespace tarn
