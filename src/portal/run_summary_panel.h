#pragma once

#include <QFrame>

class QLabel;
class QToolButton;

namespace kestrel {

// The line under the register that tells how the last portal run went. It stays until the user
// closes it or the next run or load replaces it.
class RunSummaryPanel : public QFrame {
  Q_OBJECT

 public:
  explicit RunSummaryPanel(QWidget* parent = nullptr);

  QLabel* textLabel = nullptr;
  QToolButton* closeButton = nullptr;

  void showSummary(const QString& text);
};

}  // namespace kestrel
