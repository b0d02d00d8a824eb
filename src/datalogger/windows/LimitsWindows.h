#pragma once
// The two windows of installation limits: the customer's details asked before an installation
// report is written, and the editor of the Limits folder's profiles.

#include "datalogger/Limits.h"
#include "datalogger/LimitsReport.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

// Asks the customer's details (remembered per location) and the installer's (kept in the
// workspace's limits.stg), then the PDF's name, and writes the report.
class TInstallationReport : public QDialog {
    Q_OBJECT
public:
    TInstallationReport(QWidget *parent, const Limits::Judgement &judgement, const QString &loggerFile,
                        const QString &profileFile);

    QLineEdit *Customer = nullptr, *Address = nullptr, *Outlet = nullptr, *Installer = nullptr, *Company = nullptr,
              *CompanyAddress = nullptr, *Logo = nullptr;
    QPushButton *BrowseLogo = nullptr, *SavePdf = nullptr, *Cancel = nullptr;
    // The PDF written by the last Save, empty before one.
    QString writtenPdf() const { return written; }

public Q_SLOTS:
    void BrowseLogoClick();
    void SavePdfClick();

private:
    const Limits::Judgement &judgement;
    QString loggerFile, profileFile;
    LimitsReport::Settings settings;
    QString written;
};

// The profiles of the Limits folder: each one's name, source and rules in a grid, with the
// checks of the profile reader and the question before a file is replaced or deleted.
class TLimitProfiles : public QDialog {
    Q_OBJECT
public:
    explicit TLimitProfiles(QWidget *parent = nullptr);

    static constexpr int kColumns = 13;

    QListWidget *Profiles = nullptr;
    QPushButton *New = nullptr, *Delete = nullptr;
    QLineEdit *ProfileName = nullptr, *Source = nullptr;
    QTableWidget *Rules = nullptr;
    QLabel *Hint = nullptr, *Problems = nullptr;
    QPushButton *AddRule = nullptr, *RemoveRule = nullptr, *MoveUp = nullptr, *MoveDown = nullptr, *Save = nullptr,
                *SaveAs = nullptr, *Close = nullptr;

    // The profile in the grid, or false with the first problem found (rule, column, what).
    bool profileFromGrid(Limits::Profile &profile, QString &problem) const;
    bool isModified() const { return modified; }
    // The file on show ("" for a new profile not yet saved).
    QString currentFile() const { return current; }

public Q_SLOTS:
    void ProfilesChange();
    void NewClick();
    void DeleteClick();
    void AddRuleClick();
    void RemoveRuleClick();
    void MoveUpClick();
    void MoveDownClick();
    bool SaveClick();
    bool SaveAsClick();
    void reject() override;

private:
    // The constructor's parts.
    QVBoxLayout *makeProfileList();
    QVBoxLayout *makeRuleEditor();
    void connectControls();
    void listProfiles(const QString &select);
    void showProfile(const Limits::Profile &profile, bool editable);
    void setRow(int row, const Limits::Rule &rule);
    void moveRow(int from, int to);
    bool writeTo(const QString &path);
    // Asks whether to save changes first: false when the user cancels.
    bool settleChanges();
    void markModified();

    QString current;
    bool modified = false;
    bool loading = false;
    bool editable = true;
};

// Opens the profile editor (modal), from the main window or a viewer.
void openLimitProfiles(QWidget *parent);
