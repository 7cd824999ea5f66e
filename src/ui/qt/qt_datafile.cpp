#include "ui/qt/qt_datafile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

#include "common/errors.h"

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

// Qt's own dialog accepts a name in a folder that does not exist; the flag
// asks it to stay open instead, with the toolkit's message. Native dialogs
// refuse such names by themselves.
class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* parent, bool pathMustExist)
      : QFileDialog(parent), pathMustExist_(pathMustExist) {}

 protected:
  void accept() override {
    const QStringList files = selectedFiles();
    if (pathMustExist_ && !files.isEmpty()) {
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

 private:
  bool pathMustExist_;
};

}  // namespace

void QtSaveDialog::ShowSave() {
  // Qt's dialog keeps its history and layout in the user's settings; the
  // program keeps nothing between runs, so the dialog gets a scratch place.
  const QTemporaryDir scratch;
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, scratch.path());
  FileDialog dialog(&parent_, Flags & kOfnPathMustExist);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The toolkit has no read-only check box, so kOfnHideReadOnly needs nothing.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(Flags & kOfnOverwritePrompt));
  dialog.setNameFilters(nameFilters(Filter));
  if (!DialogTitle.empty()) dialog.setWindowTitle(q(DialogTitle));
  dialog.setDirectory(q(InitDir));
  // The last chosen path is offered again, in its own folder.
  if (!FileName.empty()) dialog.selectFile(q(FileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    if (CancelError) throw PlatformError(kErrCancel, "Cancel was selected.");
    return;
  }
  FileName = QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

MsgResult QtMsgBox::show(const std::string& prompt, MsgButtons buttons) {
  const bool yesNo = buttons == MsgButtons::YesNo;
  // An empty title lets the platform show the program's name.
  QMessageBox box(QMessageBox::NoIcon, QString(), q(prompt),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, &parent_);
  box.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
  const int answer = box.exec();
  if (!yesNo) return MsgResult::Ok;
  return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
}

int64_t QtFileStore::fileLength(const std::string& path) {
  const QFileInfo info(q(path));
  if (!info.exists()) return -1;
  if (!info.isFile()) throw PlatformError(kErrPathFileAccess, "Not a file: " + path);
  return info.size();
}

void QtFileStore::replaceFile(const std::string& path, std::string_view bytes) {
  const QString name = q(path);
  // A device or a folder cannot be replaced in one step: a new file would
  // take its place.
  if (const QFileInfo info(name); info.exists() && !info.isFile())
    throw PlatformError(kErrPathFileAccess, "Not a file: " + path);
  QSaveFile file(name);
  const auto size = static_cast<qint64>(bytes.size());
  // commit() does not notice a write that fails in its own flush (a full
  // disk) and would put the cut-off file in place: flush first. Without a
  // commit the destructor throws the new file away.
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), size) != size || !file.flush() ||
      !file.commit())
    throw PlatformError(kErrPathFileAccess, file.errorString().toStdString());
}

bool QtFileStore::folderWritable(const std::string& folder) {
  const QFileInfo info(q(folder));
  return info.isDir() && info.isWritable();
}

std::string QtFileStore::homeFolder() { return QDir::homePath().toStdString(); }

}  // namespace tarn
