#include "window_bench.h"

#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "mail/inbox_panel.h"
#include "mail/mail_store.h"
#include "mail/mail_window.h"
#include "mailbox_reader_component.h"
#include "platform/base/velbase.h"
#include "platform/grid/flexgrid.h"

#include <QComboBox>
#include <QHash>
#include <QTemporaryDir>

#include <stdexcept>

namespace kestrel::bench {

struct InboxDesk::Parts {
  explicit Parts(const QString& folder) : dir(folder + QStringLiteral("/bench_inbox-desk-XXXXXX")) {}
  QTemporaryDir dir;
  std::unique_ptr<mail::MailWindow> window;
  QHash<QString, int> accounts;  // "user port ssl" -> ID
};

InboxDesk::InboxDesk(const QString& folder, const QString& caFile) : d_(std::make_unique<Parts>(folder)) {
  if (!d_->dir.isValid())
    throw std::runtime_error("cannot create the desk's folder");
  VelBaseOptions options;
  options.connectionString = QStringLiteral("sqlite:") + d_->dir.path() + QStringLiteral("/bench.db");
  options.suiteHome = d_->dir.path();
  auto base = std::make_shared<VelBase>(options);
  ObjectRegistry::instance().registerFactory(QStringLiteral("VelBase.ClsMain"), [base] { return base; });
  MailboxReaderOptions reader;
  reader.caFile = caFile;
  registerMailboxReader(reader);
  ModuleStart();
  CreateModuleTables();
  d_->window = std::make_unique<mail::MailWindow>();
  d_->window->show();
  d_->window->inboxPanel->openPanel();
}

InboxDesk::~InboxDesk() {
  d_->window.reset();
  ModuleShutdown();
  ObjectRegistry::instance().unregister(QStringLiteral("VelBase.ClsMain"));
}

int InboxDesk::read(const QString& user, const QString& password, int port, bool ssl) {
  const QString key = QStringLiteral("%1 %2 %3").arg(user).arg(port).arg(ssl);
  int& id = d_->accounts[key];
  if (id == 0)
    id = mail::SaveAccount(0, user, password, QStringLiteral("127.0.0.1"), port, ssl);
  mail::InboxPanel& inbox = *d_->window->inboxPanel;
  inbox.fillAccounts();
  inbox.accountBox->setCurrentIndex(inbox.accountBox->findData(id));
  inbox.checkForMails();
  return inbox.messageGrid->model()->Rows() - 1;
}

}  // namespace kestrel::bench
