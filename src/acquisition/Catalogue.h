#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>

namespace pluvix::acquisition {

// The station table: display name ("FL Melbourne") and station code ("kmlb") per row.
// Several names share a code; lookups take the first row in table order.
class StationTable {
public:
    static constexpr int LastRow = 400;

    StationTable();

    // Fills the fixed 178 rows; StationCount then holds the number of rows.
    void FillStationTable();
    // While filling, StationCount is the index of the last filled row. A row past LastRow is
    // error 9 and leaves the table as it was.
    void AddStation(const QString& name, const QString& code);

    qint16 StationCount() const { return m_count; }
    // Empty for an unfilled row; error 9 outside 0..LastRow.
    QString name(int row) const;
    QString code(int row) const;
    // Display names of rows 0..StationCount-1, the options dialog's station list.
    QStringList names() const;

    // First row below StationCount whose code equals the wanted one ignoring case; -1 if none.
    int findStation(const QString& code) const;
    // "Melbourne, FL" for kmlb; empty when the code is not in the table.
    QString labelForCode(const QString& code) const;

private:
    std::array<QString, LastRow + 1> m_names;
    std::array<QString, LastRow + 1> m_codes;
    qint16 m_count = -1;
};

// The fixed table, filled once and never changed.
const StationTable& fixedStations();

// "FL Melbourne" -> "Melbourne, FL".
QString stationLabel(const QString& displayName);

enum class RangeClass { None, Short, Long };

struct ProductInfo {
    QString code;       // MapTypeShort
    QString shortLabel; // caption
    QString longLabel;  // preset texts
    QString listEntry;  // options dialog
    RangeClass range;
};

inline constexpr int ProductSlotCount = 7;
// Slots the options dialog offers; slot 6 stays empty.
inline constexpr int OfferedProductCount = 6;

using ProductCodes = std::array<QString, ProductSlotCount>;

// Slot 0..6 (6 is the empty one); error 9 outside.
const ProductInfo& productSlot(int slot);
// Codes of slots 0..5 filled, slot 6 empty.
ProductCodes FillProductCodes();
// Options-list entries of slots 0..5.
QStringList productListEntries();
// First offered slot whose code equals the given one exactly (letter case counts); -1 if none.
int productSlotForCode(const QString& code);
// nullptr for a code outside the table.
const ProductInfo* productForCode(const QString& code);
// Empty for a code outside the table.
QString shortLabelFor(const QString& code);
QString longLabelFor(const QString& code);
// The bullseye's scale constant by the product's range class; 0 for a code outside the table.
float scaleConstantFor(const QString& code, float shortRangeConstant, float longRangeConstant);

// Folder address after choosing a station row in the options dialog; error 9 for a row that
// is not filled. The scheme, host and port of the current radar address stay.
QString addressForStationChoice(int row, const QString& currentBaseUrl = {});

// "Cirrusworks Pluvix - Melbourne, FL  (SRC)".
QString stationTitle(const QString& appName, const QString& baseUrl, const QString& mapTypeShort);

// "KMLB - Melbourne, FL - Short Range Composite".
QString presetDescription(const QString& baseUrl, const QString& productCode);

} // namespace pluvix::acquisition
