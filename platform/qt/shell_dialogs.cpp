#include "platform/shell_dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/framework.h"

namespace {
FolderChooserHook& chooserHook() {
  static FolderChooserHook hook;
  return hook;
}

// The work's last report, handed from its thread to the dialog's.
struct Shared {
  std::mutex lock;
  int done = 0, total = 0;
  std::string line;
  std::atomic<bool> cancelled{false}, finished{false};
};

class ProgressWindow : public QDialog {
 public:
  ProgressWindow(QWidget* owner, const std::string& title, Shared& shared) : QDialog(owner), shared_(shared) {
    setWindowTitle(QString::fromUtf8(title));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    line_ = new QLabel(this);
    line_->setMinimumWidth(360);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 0);
    cancel_ = new QPushButton(QObject::tr("Cancel"), this);
    layout->addWidget(line_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Update(); });
    timer->start(50);
  }

  void reject() override {
    shared_.cancelled = true;
    cancel_->setEnabled(false);
    line_->setText(QObject::tr("Stopping..."));
  }

 private:
  void Update() {
    if (shared_.finished) {
      done(QDialog::Accepted);
      return;
    }
    if (shared_.cancelled) return;
    std::lock_guard<std::mutex> guard(shared_.lock);
    if (shared_.total > 0) {
      bar_->setRange(0, shared_.total);
      bar_->setValue(shared_.done);
    }
    line_->setText(QString::fromUtf8(shared_.line));
  }

  Shared& shared_;
  QLabel* line_;
  QProgressBar* bar_;
  QPushButton* cancel_;
};
}  // namespace

FolderChooserHook SetFolderChooserHook(FolderChooserHook hook) {
  return std::exchange(chooserHook(), std::move(hook));
}

std::string BrowseForFolder(const std::string& title, const std::string& start) {
  if (!chooserHook() && !ModalDialogCanBeAnswered()) return "";
  // Qt's own dialog, never the desktop's: it has the edit box, and it is the same on
  // every desktop.
  // Without a start, the user's own files, as the old dialog opened on the desktop.
  const QString from = start.empty() ? QDir::homePath() : QString::fromUtf8(start);
  QFileDialog dialog(QApplication::activeWindow(), QString::fromUtf8(title), from);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog |
                    QFileDialog::DontResolveSymlinks);
  if (chooserHook()) {
    QTimer::singleShot(0, &dialog, [&dialog] {
      // Keys typed before the window has the keyboard would be lost, as a user's would.
      QElapsedTimer waited;
      waited.start();
      while (!dialog.isActiveWindow() && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      chooserHook()();
      if (dialog.isVisible()) dialog.reject();
    });
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return "";
  return dialog.selectedFiles().first().toStdString();
}

bool RunWithProgress(const std::string& title, const std::function<void(const ProgressReport&)>& work) {
  Shared shared;
  std::exception_ptr failure;
  const ProgressReport report = [&shared](int done, int total, const std::string& line) {
    if (!line.empty() || total > 0) {
      std::lock_guard<std::mutex> guard(shared.lock);
      shared.done = done;
      shared.total = total;
      if (!line.empty()) shared.line = line;
    }
    return !shared.cancelled;
  };
  std::thread worker([&] {
    try {
      work(report);
    } catch (...) {
      failure = std::current_exception();
    }
    shared.finished = true;
  });
  {
    ProgressWindow window(QApplication::activeWindow(), title, shared);
    window.exec();
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
  return !shared.cancelled;
}
