#include "dialogs/SetupDlg.h"

#include "base/Exception.h"
#include "base/Trace.h"
#include "callback/SenderFilter.h"
#include "data/TileFile.h"
#include "dialogs/AlarmAttentionRules.h"
#include "dialogs/ConfirmButtons.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SetupRules.h"
#include "dialogs/SetupSettings.h"
#include "dialogs/StationMessage.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace corvane {

namespace {

QLineEdit* makeNumberBox(QWidget* parent, const QString& name, int minimumWidth)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    box->setMinimumWidth(minimumWidth);
    return box;
}

// Relative to the start-up folder, where the station opens the files too.
QString absoluteTilePath(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// A line of the tile file list: the path, then what the file holds. The path itself is the
// item's data, so that the text may say more.
QListWidgetItem* tileFileItem(const QString& path)
{
    auto* item = new QListWidgetItem;
    item->setData(Qt::UserRole, path);
    try {
        const std::unique_ptr<TileFile> file = TileFile::open(path.toStdString());
        item->setText(QStringLiteral("%1  (W %2 S %3 E %4 N %5, zoom %6 to %7, %8 tiles)")
                          .arg(path)
                          .arg(file->west(), 0, 'f', 2)
                          .arg(file->south(), 0, 'f', 2)
                          .arg(file->east(), 0, 'f', 2)
                          .arg(file->north(), 0, 'f', 2)
                          .arg(file->minZoom())
                          .arg(file->maxZoom())
                          .arg(file->tileCount()));
        item->setToolTip(item->text());
    } catch (const Exception& e) {
        // Listed before and gone for now (an unplugged disk): kept, and the station skips
        // it until it reads again.
        item->setText(QStringLiteral("%1  (cannot be read now)").arg(path));
        item->setToolTip(QString::fromUtf8(e.getMessage()));
    }
    return item;
}

} // namespace

SetupDlg::SetupDlg(SetupSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Setup"));
    setFont(dialogFont(font()));
    const DialogUnits units(font());

    auto* portLabel = new QLabel(QStringLiteral("Callback Port :"), this);
    m_portBox = makeNumberBox(this, QStringLiteral("portBox"), units.x(120));
    auto* timeoutLabel = new QLabel(QStringLiteral("Timeout :"), this);
    m_timeoutBox = makeNumberBox(this, QStringLiteral("timeoutBox"), units.x(120));
    auto* minuteLabel = new QLabel(QStringLiteral("minute"), this);
    auto* keepDaysLabel = new QLabel(QStringLiteral("Keep data :"), this);
    m_keepDaysBox = makeNumberBox(this, QStringLiteral("keepDaysBox"), units.x(120));
    m_keepDaysBox->setToolTip(QStringLiteral("0 keeps everything"));
    auto* daysLabel = new QLabel(QStringLiteral("days"), this);
    auto* speedLabel = new QLabel(QStringLiteral("Speed limit :"), this);
    m_speedLimitBox = makeNumberBox(this, QStringLiteral("speedLimitBox"), units.x(120));
    m_speedLimitBox->setToolTip(
        QStringLiteral("Outside zones with a limit of their own; 0 is none"));
    auto* kmhLabel = new QLabel(QStringLiteral("km/h"), this);
    auto* listLimitLabel = new QLabel(QStringLiteral("Vehicles on the map :"), this);
    m_listLimitBox = new QSpinBox(this);
    m_listLimitBox->setObjectName(QStringLiteral("listLimitBox"));
    m_listLimitBox->setRange(listLimitRule.minimum, listLimitRule.maximum);
    m_listLimitBox->setMinimumWidth(units.x(120));
    m_listLimitBox->setToolTip(
        QStringLiteral("The most vehicles listed; others are known by name until there is room"));

    auto* fields = new QGridLayout;
    fields->addWidget(portLabel, 0, 0, Qt::AlignRight);
    fields->addWidget(m_portBox, 0, 1);
    fields->addWidget(timeoutLabel, 1, 0, Qt::AlignRight);
    fields->addWidget(m_timeoutBox, 1, 1);
    fields->addWidget(minuteLabel, 1, 2);
    fields->addWidget(keepDaysLabel, 2, 0, Qt::AlignRight);
    fields->addWidget(m_keepDaysBox, 2, 1);
    fields->addWidget(daysLabel, 2, 2);
    fields->addWidget(speedLabel, 3, 0, Qt::AlignRight);
    fields->addWidget(m_speedLimitBox, 3, 1);
    fields->addWidget(kmhLabel, 3, 2);
    fields->addWidget(listLimitLabel, 4, 0, Qt::AlignRight);
    fields->addWidget(m_listLimitBox, 4, 1);
    fields->setColumnMinimumWidth(2, units.x(23));
    auto* sendersLabel = new QLabel(QStringLiteral("Allowed senders :"), this);
    m_sendersBox = new QLineEdit(this);
    m_sendersBox->setObjectName(QStringLiteral("allowedSendersBox"));
    m_sendersBox->setPlaceholderText(QStringLiteral("everyone"));
    m_sendersBox->setToolTip(
        QStringLiteral("IPv4 addresses and ranges, e.g. 192.0.2.7, 198.51.100.0/24"));
    fields->addWidget(sendersLabel, 5, 0, Qt::AlignRight);
    fields->addWidget(m_sendersBox, 5, 1);
    m_dropLabel = new QLabel(this);
    m_dropLabel->setObjectName(QStringLiteral("dropSummary"));
    m_dropLabel->setWordWrap(true);
    m_dropLabel->setVisible(false);
    fields->addWidget(m_dropLabel, 6, 0, 1, 3);
    auto* buttons = makeConfirmButtons(*this, QStringLiteral("OK"), QStringLiteral("ok"),
                                       QStringLiteral("Cancel"), units.size(49, 14), units.x(10));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(units.x(20), units.y(12), units.x(14), units.y(6));
    layout->addLayout(fields);
    layout->addSpacing(units.y(6));
    addAlarmKinds(*layout);
    layout->addSpacing(units.y(6));
    addOfflineMap(*layout, units.x(240));
    layout->addSpacing(units.y(6));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_port = readSetting(portRule);
    m_portBox->setText(QString::number(m_port));
    m_timeout = readSetting(timeoutRule);
    m_timeoutBox->setText(QString::number(m_timeout));
    try {
        m_senders = m_settings.readText(SenderFilter::settingKey, "");
    } catch (const Exception& e) {
        traceException(e);
    }
    m_sendersBox->setText(QString::fromStdString(m_senders));
    m_keepDays = readSetting(keepDaysRule);
    m_keepDaysBox->setText(QString::number(m_keepDays));
    m_speedLimit = readSetting(speedLimitRule);
    m_speedLimitBox->setText(QString::number(m_speedLimit));
    m_listLimit = readSetting(listLimitRule);
    m_listLimitBox->setValue(m_listLimit);
}

void SetupDlg::addOfflineMap(QVBoxLayout& layout, int listWidth)
{
    auto* group = new QGroupBox(QStringLiteral("Offline map"), this);
    group->setObjectName(QStringLiteral("offlineMap"));
    m_tileFiles = new QListWidget(group);
    m_tileFiles->setObjectName(QStringLiteral("tileFileList"));
    m_tileFiles->setMinimumWidth(listWidth);
    m_tileFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tileFiles->setMaximumHeight(m_tileFiles->fontMetrics().height() * 5);
    auto* add = new QPushButton(QStringLiteral("Add..."), group);
    add->setObjectName(QStringLiteral("addTileFile"));
    add->setAutoDefault(false);
    m_removeTileFile = new QPushButton(QStringLiteral("Remove"), group);
    m_removeTileFile->setObjectName(QStringLiteral("removeTileFile"));
    m_removeTileFile->setAutoDefault(false);
    m_removeTileFile->setEnabled(false);
    auto* cacheLabel = new QLabel(QStringLiteral("Cache size (MB) :"), group);
    m_cacheBox = new QSpinBox(group);
    m_cacheBox->setObjectName(QStringLiteral("cacheSizeBox"));
    m_cacheBox->setRange(tileCacheRule.minimum, tileCacheRule.maximum);
    m_cacheBox->setToolTip(QStringLiteral("Tiles fetched online, kept in tiles.db; 0 keeps none"));
    auto* clear = new QPushButton(QStringLiteral("Clear cache"), group);
    clear->setObjectName(QStringLiteral("clearCache"));
    clear->setAutoDefault(false);

    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(add);
    fileButtons->addWidget(m_removeTileFile);
    fileButtons->addStretch();
    auto* cacheRow = new QHBoxLayout;
    cacheRow->addWidget(cacheLabel);
    cacheRow->addWidget(m_cacheBox);
    cacheRow->addWidget(clear);
    cacheRow->addStretch();
    auto* column = new QVBoxLayout(group);
    column->addWidget(m_tileFiles);
    column->addLayout(fileButtons);
    column->addLayout(cacheRow);
    layout.addWidget(group);

    connect(add, &QPushButton::clicked, this, &SetupDlg::chooseTileFiles);
    connect(m_removeTileFile, &QPushButton::clicked, this, &SetupDlg::removeTileFiles);
    connect(clear, &QPushButton::clicked, this, &SetupDlg::clearCache);
    connect(m_tileFiles, &QListWidget::itemSelectionChanged, this,
            [this] { m_removeTileFile->setEnabled(!m_tileFiles->selectedItems().isEmpty()); });

    try {
        for (const std::string& path :
             tileFilePaths(m_settings.readText(tileFilesKey, std::string())))
            m_storedTileFiles << QString::fromStdString(path);
    } catch (const Exception& e) {
        traceException(e);
    }
    for (const QString& path : m_storedTileFiles)
        m_tileFiles->addItem(tileFileItem(path));
    m_cacheMB = readSetting(tileCacheRule);
    m_cacheBox->setValue(m_cacheMB);
}

bool SetupDlg::addTileFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString absolute = absoluteTilePath(path);
    // The list is stored one path a line, each line trimmed.
    if (absolute != absolute.trimmed() || absolute.contains(u'\n') || absolute.contains(u'\r')) {
        showStationMessage(this,
                           QStringLiteral("%1 cannot be listed: its name begins or ends with a "
                                          "blank or holds a line break")
                               .arg(absolute),
                           QMessageBox::Warning);
        return false;
    }
    const QStringList listed = listedTileFiles();
    // A line stored by hand may be relative: to the start-up folder, as here.
    if (std::any_of(listed.begin(), listed.end(),
                    [&](const QString& other) { return absoluteTilePath(other) == absolute; })) {
        showStationMessage(this, QStringLiteral("%1 is already in the list").arg(absolute),
                           QMessageBox::Information);
        return false;
    }
    try {
        // Refused here rather than skipped quietly by the station at its next start.
        TileFile::open(absolute.toStdString());
    } catch (const Exception& e) {
        showStationMessage(this, QString::fromUtf8(e.getMessage()), QMessageBox::Warning);
        return false;
    }
    m_tileFiles->addItem(tileFileItem(absolute));
    return true;
}

void SetupDlg::chooseTileFiles()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("tileFileChooser"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(
        {QStringLiteral("Tile Files(*.mbtiles *.pmtiles)"), QStringLiteral("All Files(*)")});
    if (dialog.exec() != QDialog::Accepted)
        return;
    for (const QString& path : dialog.selectedFiles())
        addTileFile(path);
}

void SetupDlg::removeTileFiles()
{
    qDeleteAll(m_tileFiles->selectedItems());
}

void SetupDlg::clearCache()
{
    // Tiles kept for a place without network may not come back.
    if (askStationQuestion(this, QStringLiteral("Delete every map tile kept in the cache?")))
        emit cacheClearRequested();
}

QStringList SetupDlg::listedTileFiles() const
{
    QStringList paths;
    for (int row = 0; row < m_tileFiles->count(); ++row)
        paths << m_tileFiles->item(row)->data(Qt::UserRole).toString();
    return paths;
}

bool SetupDlg::applyOfflineMap()
{
    const QStringList paths = listedTileFiles();
    if (paths != m_storedTileFiles) {
        try {
            m_settings.writeText(tileFilesKey, paths.join(u'\n').toStdString());
        } catch (const Exception& e) {
            traceException(e);
            return false;
        }
        m_storedTileFiles = paths;
        emit tileFilesChanged(paths);
    }
    return save(tileCacheRule.key, m_cacheBox->value(), m_cacheMB, &SetupDlg::tileCacheChanged) !=
           Outcome::Refused;
}

void SetupDlg::setDropSummary(const QString& text)
{
    m_dropLabel->setText(text);
    m_dropLabel->setVisible(!text.isEmpty());
}

SetupDlg::Outcome SetupDlg::applySenders()
{
    const std::string value = m_sendersBox->text().trimmed().toStdString();
    if (value == m_senders)
        return Outcome::Unchanged;
    SenderFilter filter;
    std::string bad;
    if (!filter.parse(value, &bad)) {
        showStationMessage(this,
                           QStringLiteral("Allowed senders: \"%1\" is not an IPv4 address or range")
                               .arg(QString::fromStdString(bad)),
                           QMessageBox::Warning);
        return Outcome::Refused;
    }
    try {
        m_settings.writeText(SenderFilter::settingKey, value);
    } catch (const Exception& e) {
        traceException(e);
        return Outcome::Refused;
    }
    m_senders = value;
    return Outcome::Saved;
}

void SetupDlg::addAlarmKinds(QVBoxLayout& layout)
{
    auto* group = new QGroupBox(QStringLiteral("Alarms that flash and sound :"), this);
    group->setObjectName(QStringLiteral("alarmKinds"));
    auto* grid = new QGridLayout(group);
    // Every mask is one: unknown bits are dropped below.
    const SettingRule kindsRule{alarmKindsKey, defaultAlarmKinds, INT_MIN, INT_MAX, ""};
    m_alarmMask =
        static_cast<int>(knownAlarmKinds(static_cast<std::uint32_t>(readSetting(kindsRule))));
    const int rows = int(m_alarmKinds.size() + 1) / 2;
    for (std::size_t type = 0; type < m_alarmKinds.size(); ++type) {
        auto* box = new QCheckBox(QString::fromLatin1(alarmKindNames[type]), group);
        box->setObjectName(QStringLiteral("alarmKind%1").arg(type));
        box->setChecked((m_alarmMask >> type) & 1);
        grid->addWidget(box, int(type) % rows, int(type) / rows);
        m_alarmKinds[type] = box;
    }
    // The station's own events in a column of their own.
    const SettingRule zoneRule{zoneAlarmKindsKey, defaultZoneAlarmKinds, INT_MIN, INT_MAX, ""};
    m_zoneAlarmMask =
        static_cast<int>(knownZoneAlarmKinds(static_cast<std::uint32_t>(readSetting(zoneRule))));
    for (std::size_t bit = 0; bit < m_zoneAlarmKinds.size(); ++bit) {
        auto* box = new QCheckBox(QString::fromLatin1(zoneAlarmKindNames[bit]), group);
        box->setObjectName(QStringLiteral("alarmKind%1").arg(firstZoneEventType + int(bit)));
        box->setChecked((m_zoneAlarmMask >> bit) & 1);
        grid->addWidget(box, int(bit), 2);
        m_zoneAlarmKinds[bit] = box;
    }
    layout.addWidget(group);
}

bool SetupDlg::applyChecklist(std::span<QCheckBox* const> boxes, const char* key, int& current,
                              void (SetupDlg::*changed)(std::uint32_t))
{
    int mask = 0;
    for (std::size_t bit = 0; bit < boxes.size(); ++bit) {
        if (boxes[bit]->isChecked())
            mask |= 1 << bit;
    }
    if (mask == current)
        return true;
    try {
        m_settings.writeInt(key, mask);
    } catch (const Exception& e) {
        traceException(e);
        return false;
    }
    current = mask;
    emit(this->*changed)(static_cast<std::uint32_t>(mask));
    return true;
}

int SetupDlg::readSetting(const SettingRule& rule)
{
    try {
        const int value = m_settings.readInt(rule.key, rule.defaultValue);
        // A stored value out of range is not what the station runs on: it
        // took the default, and so the box shows that.
        return rule.accepts(value) ? value : rule.defaultValue;
    } catch (const Exception& e) {
        // Without a settings file the station runs on its defaults.
        traceException(e);
        return rule.defaultValue;
    }
}

void SetupDlg::accept()
{
    if (apply(m_portBox, portRule, m_port, &SetupDlg::portChanged) == Outcome::Refused)
        return;
    if (apply(m_timeoutBox, timeoutRule, m_timeout, &SetupDlg::timeoutChanged) == Outcome::Refused)
        return;
    if (apply(m_keepDaysBox, keepDaysRule, m_keepDays, &SetupDlg::keepDaysChanged) ==
        Outcome::Refused)
        return;
    if (apply(m_speedLimitBox, speedLimitRule, m_speedLimit, &SetupDlg::speedLimitChanged) ==
        Outcome::Refused)
        return;
    // The spin box keeps to its range: only a failed save refuses it.
    if (save(listLimitRule.key, m_listLimitBox->value(), m_listLimit,
             &SetupDlg::listLimitChanged) == Outcome::Refused)
        return;
    if (applySenders() == Outcome::Refused)
        return;
    if (!applyChecklist(m_alarmKinds, alarmKindsKey, m_alarmMask, &SetupDlg::alarmKindsChanged) ||
        !applyChecklist(m_zoneAlarmKinds, zoneAlarmKindsKey, m_zoneAlarmMask,
                        &SetupDlg::zoneAlarmKindsChanged))
        return;
    if (!applyOfflineMap())
        return;
    QDialog::accept();
}

SetupDlg::Outcome SetupDlg::apply(QLineEdit* box, const SettingRule& rule, int& current,
                                  void (SetupDlg::*changed)(int))
{
    const int value = parseBoxNumber(box->text().toStdString());
    if (value == current)
        return Outcome::Unchanged;
    if (!rule.accepts(value)) {
        showStationMessage(this, QString::fromStdString(rule.rangeMessage()), QMessageBox::Warning);
        return Outcome::Refused;
    }
    return save(rule.key, value, current, changed);
}

SetupDlg::Outcome SetupDlg::save(const char* key, int value, int& current,
                                 void (SetupDlg::*changed)(int))
{
    if (value == current)
        return Outcome::Unchanged;
    try {
        m_settings.writeInt(key, value);
    } catch (const Exception& e) {
        traceException(e);
        return Outcome::Refused;
    }
    // Only a stored value becomes current, so that a failed save is tried
    // again by the next OK.
    current = value;
    emit(this->*changed)(value);
    return Outcome::Saved;
}

} // namespace corvane
