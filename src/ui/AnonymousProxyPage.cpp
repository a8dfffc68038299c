// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AnonymousProxyPage.h"

#include "app/SettingsValues.h"
#include "ui/PageHeader.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int EntryRole = Qt::UserRole + 1;

// Column 1 sorts by its number ("250ms"), every other column as text without case.
class TProxyRow : public QTreeWidgetItem {
public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (column == 1) {
      return text(1).section(QLatin1Char('m'), 0, 0).toInt() <
             other.text(1).section(QLatin1Char('m'), 0, 0).toInt();
    }
    return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
  }
};

QSlider* NewSlider(QWidget* parent, const char* name, int minimum, int maximum, int step) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(QString::fromUtf8(name));
  slider->setRange(minimum, maximum);
  slider->setSingleStep(step);
  slider->setPageStep(step);
  slider->setTickInterval(step);
  slider->setTickPosition(QSlider::TicksBelow);
  return slider;
}

} // namespace

TAnonymousProxyPage::TAnonymousProxyPage(const QString& caption, QWidget* parent)
    : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreatePageHeader(caption, this));
  UseAnonymousProxyServersChkBox =
      new QCheckBox(QStringLiteral("Anonyme Proxy-Server verwenden"), this);
  UseAnonymousProxyServersChkBox->setObjectName(QStringLiteral("UseAnonymousProxyServersChkBox"));
  layout->addWidget(UseAnonymousProxyServersChkBox);

  auto* tools = new QHBoxLayout;
  const auto addTool = [&](QToolButton*& button, const char* name, const char* text) {
    button = new QToolButton(this);
    button->setObjectName(QString::fromUtf8(name));
    button->setText(QString::fromUtf8(text));
    button->setToolTip(QString::fromUtf8(text));
    tools->addWidget(button);
  };
  addTool(ProxyAddBtn, "ProxyAddBtn", "Proxy hinzufügen");
  addTool(ProxyDeleteBtn, "ProxyDeleteBtn", "Proxy löschen");
  addTool(ProxyConnectTestBtn, "ProxyConnectTestBtn", "Erreichbarkeit des Servers testen");
  addTool(ProxyFileOpenBtn, "ProxyFileOpenBtn", "Importieren");
  ProxyFileOpenBtn->setToolTip(QString());
  ProxyFileOpenBtn->setVisible(false);
  tools->addStretch();
  layout->addLayout(tools);

  ProxyServerList = new QTreeWidget(this);
  ProxyServerList->setObjectName(QStringLiteral("ProxyServerList"));
  ProxyServerList->setRootIsDecorated(false);
  ProxyServerList->setSelectionBehavior(QAbstractItemView::SelectRows);
  ProxyServerList->setSortingEnabled(true);
  ProxyServerList->sortByColumn(-1, Qt::AscendingOrder);
  ProxyServerList->setHeaderLabels(
      {QStringLiteral("Proxy-Server"), QStringLiteral("Erreichbarkeit")});
  ProxyServerList->setColumnWidth(0, 228);
  ProxyServerList->setColumnWidth(1, 89);
  ProxyServerList->header()->setStretchLastSection(true);
  ProxyServerList->setContextMenuPolicy(Qt::CustomContextMenu);
  ProxyServerList->setMinimumHeight(60);
  layout->addWidget(ProxyServerList, 1);

  ProxyListPopupMenu = new QMenu(this);
  ProxyListPopupMenu->setObjectName(QStringLiteral("ProxyListPopupMenu"));
  AlsDateispeichern1 = ProxyListPopupMenu->addAction(QStringLiteral("Als Datei speichern"));
  AlsDateispeichern1->setObjectName(QStringLiteral("AlsDateispeichern1"));
  connect(ProxyServerList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    ProxyListPopupMenu->popup(ProxyServerList->viewport()->mapToGlobal(at));
  });

  SettingsGroup = new QGroupBox(QStringLiteral(" Einstellungen "), this);
  SettingsGroup->setObjectName(QStringLiteral("SettingsGroup"));
  auto* group = new QGridLayout(SettingsGroup);
  const auto addCaption = [&](const char* text, int row) {
    auto* caption = new QLabel(QString::fromUtf8(text), SettingsGroup);
    caption->setWordWrap(true);
    group->addWidget(caption, row, 0);
  };
  addCaption("Wechsel des Proxy-Servers alle:", 0);
  QuorvaneChangeTrackBar = NewSlider(SettingsGroup, "QuorvaneChangeTrackBar", 1, 90, 1);
  QuorvaneChangeLabel = new QLabel(SettingsGroup);
  group->addWidget(QuorvaneChangeTrackBar, 0, 1);
  group->addWidget(QuorvaneChangeLabel, 0, 2);
  addCaption("Prüfung der Erreichbarkeit der Proxy-Server alle:", 1);
  ProxyCheckTrackBar = NewSlider(SettingsGroup, "ProxyCheckTrackBar", 30, 1800, 30);
  ProxyCheckLabel = new QLabel(SettingsGroup);
  group->addWidget(ProxyCheckTrackBar, 1, 1);
  group->addWidget(ProxyCheckLabel, 1, 2);
  group->setColumnStretch(1, 1);
  auto* options = new QGridLayout;
  int option = 0;
  const auto addOption = [&](QCheckBox*& box, const char* name, const char* text) {
    box = new QCheckBox(QString::fromUtf8(text), SettingsGroup);
    box->setObjectName(QString::fromUtf8(name));
    options->addWidget(box, option, 0);
    ++option;
    connect(box, &QCheckBox::toggled, this, &TAnonymousProxyPage::SettingsChanged);
  };
  addOption(ForHTTPSChkBox, "ForHTTPSChkBox", "HTTPS ebenfalls über den Proxy-Server");
  addOption(FailoverChkBox, "FailoverChkBox", "Bei Ausfall sofort wechseln");
  addOption(FailClosedChkBox, "FailClosedChkBox", "Ohne Proxy-Server keine direkten Verbindungen");
  addOption(ParallelChecksChkBox, "ParallelChecksChkBox", "Proxy-Server parallel prüfen");
  group->addLayout(options, 2, 0, 1, 3);
  layout->addWidget(SettingsGroup);

  connect(UseAnonymousProxyServersChkBox, &QCheckBox::toggled, this,
          &TAnonymousProxyPage::SettingsChanged);
  connect(QuorvaneChangeTrackBar, &QSlider::valueChanged, this, [this] {
    UpdateLabels();
    Q_EMIT SettingsChanged();
  });
  connect(ProxyCheckTrackBar, &QSlider::valueChanged, this, [this] {
    UpdateLabels();
    Q_EMIT SettingsChanged();
  });
  connect(ProxyServerList, &QTreeWidget::itemChanged, this, &TAnonymousProxyPage::ItemChanged);
  connect(ProxyServerList, &QTreeWidget::itemSelectionChanged, this,
          &TAnonymousProxyPage::UpdateEnabled);
  SetEntries({});
  UpdateLabels();
}

void TAnonymousProxyPage::SetEntries(const std::vector<TProxyEntryPtr>& entries) {
  const TProxyEntryPtr selected = SelectedEntry();
  FFilling = true;
  ProxyServerList->clear();
  FEntries = entries;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TQuorvaneServerListEntry& entry = *entries[i];
    auto* row = new TProxyRow(ProxyServerList);
    row->setText(0, ToQString(entry.Host) + QLatin1Char(':') + QString::number(entry.Port));
    row->setCheckState(0, entry.Enabled ? Qt::Checked : Qt::Unchecked);
    row->setText(1, QString::number(entry.ResponseTime) + QStringLiteral("ms"));
    if (FUserAdmin) {
      row->setText(2, QString::number(entry.FailureLevel) + QLatin1Char('x'));
    }
    row->setData(0, EntryRole, static_cast<qulonglong>(i));
    if (entries[i] == selected) {
      row->setSelected(true);
    }
  }
  ProxyServerList->headerItem()->setText(
      0, QStringLiteral("Proxy-Server (%1 gesamt)").arg(static_cast<int>(entries.size())));
  FFilling = false;
  UpdateEnabled();
}

void TAnonymousProxyPage::SetUserAdmin(bool value) {
  FUserAdmin = value;
  ProxyFileOpenBtn->setVisible(value);
  ProxyCheckTrackBar->setMinimum(value ? 1 : 30);
  if (value && ProxyServerList->columnCount() == 2) {
    ProxyServerList->setHeaderLabels({ProxyServerList->headerItem()->text(0),
                                      QStringLiteral("Erreichbarkeit"),
                                      QStringLiteral("Reachable")});
  }
}

TProxyEntryPtr TAnonymousProxyPage::SelectedEntry() const {
  const QList<QTreeWidgetItem*> selected = ProxyServerList->selectedItems();
  if (selected.isEmpty()) {
    return nullptr;
  }
  const auto index = selected.front()->data(0, EntryRole).toULongLong();
  return index < FEntries.size() ? FEntries[index] : nullptr;
}

void TAnonymousProxyPage::SelectHostAndPort(const QString& hostAndPort) {
  for (int i = 0; i < ProxyServerList->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = ProxyServerList->topLevelItem(i);
    if (row->text(0) == hostAndPort) {
      ProxyServerList->setCurrentItem(row);
      return;
    }
  }
}

void TAnonymousProxyPage::ItemChanged(QTreeWidgetItem* item, int column) {
  if (FFilling || column != 0) {
    return;
  }
  const auto index = item->data(0, EntryRole).toULongLong();
  if (index < FEntries.size()) {
    Q_EMIT ProxyServerListSetChecked(FEntries[index], item->checkState(0) == Qt::Checked);
  }
}

void TAnonymousProxyPage::LoadSettings(const TSettingsValues& settings) {
  const QSignalBlocker blockSwitch(UseAnonymousProxyServersChkBox);
  const QSignalBlocker blockChange(QuorvaneChangeTrackBar);
  const QSignalBlocker blockCheck(ProxyCheckTrackBar);
  UseAnonymousProxyServersChkBox->setChecked(settings.UseAnonymousProxyServers);
  QuorvaneChangeTrackBar->setValue(settings.AnonymousProxyChangeInterval);
  ProxyCheckTrackBar->setValue(settings.AnonymousProxyCheckInterval);
  for (auto [box, value] :
       {std::pair{ForHTTPSChkBox, settings.AnonymousProxyForHTTPS},
        std::pair{FailoverChkBox, settings.AnonymousProxyFailover},
        std::pair{FailClosedChkBox, settings.AnonymousProxyFailClosed},
        std::pair{ParallelChecksChkBox, settings.AnonymousProxyParallelChecks}}) {
    const QSignalBlocker block(box);
    box->setChecked(value);
  }
  UpdateLabels();
  UpdateEnabled();
}

void TAnonymousProxyPage::StoreSettings(TSettingsValues& settings) const {
  settings.UseAnonymousProxyServers = UseAnonymousProxyServersChkBox->isChecked();
  settings.AnonymousProxyChangeInterval = QuorvaneChangeTrackBar->value();
  settings.AnonymousProxyCheckInterval = ProxyCheckTrackBar->value();
  settings.AnonymousProxyForHTTPS = ForHTTPSChkBox->isChecked();
  settings.AnonymousProxyFailover = FailoverChkBox->isChecked();
  settings.AnonymousProxyFailClosed = FailClosedChkBox->isChecked();
  settings.AnonymousProxyParallelChecks = ParallelChecksChkBox->isChecked();
}

void TAnonymousProxyPage::UpdateEnabled() {
  const bool on = UseAnonymousProxyServersChkBox->isChecked();
  const bool listed = !FEntries.empty();
  ProxyServerList->setEnabled(on);
  ProxyAddBtn->setEnabled(on);
  ProxyFileOpenBtn->setEnabled(on);
  ProxyDeleteBtn->setEnabled(on && listed);
  ProxyConnectTestBtn->setEnabled(on && listed);
  SettingsGroup->setEnabled(on);
}

void TAnonymousProxyPage::UpdateLabels() {
  QuorvaneChangeLabel->setText(QStringLiteral("%1 Minute(n)").arg(QuorvaneChangeTrackBar->value()));
  ProxyCheckLabel->setText(QStringLiteral("%1 Sekunden").arg(ProxyCheckTrackBar->value()));
}
