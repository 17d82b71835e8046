#include "toolkit/controls/FileDialogs.h"

#include "toolkit/controls/DialogOwner.h"
#include "toolkit/system/Published.h"

#include <QFileDialog>

#include <sstream>

namespace {
template <class D>
void AddTextProps(TClassInfo& info)
{
    info.Props.push_back(Prop::Text("FileName", &D::FileName, &D::SetFileName));
    info.Props.push_back(Prop::Text("Filter", &D::Filter, &D::SetFilter));
    info.Props.push_back(Prop::Text("InitialDir", &D::InitialDir, &D::SetInitialDir));
    info.Props.push_back(Prop::Text("Title", &D::Title, &D::SetTitle));
}
}  // namespace

TK_CLASS_IMPL(TOpenDialog, TComponent, {
    info.Create = CreatorOf<TOpenDialog>();
    AddTextProps<TOpenDialog>(info);
})

TK_CLASS_IMPL(TSaveDialog, TOpenDialog, { info.Create = CreatorOf<TSaveDialog>(); })

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

std::vector<std::string> FileDialogNameFilters(const AnsiString& filter)
{
    std::vector<std::string> parts;
    std::stringstream in(filter.ToUtf8());
    for (std::string part; std::getline(in, part, '|');) parts.push_back(part);
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns;
        std::stringstream list(parts[i + 1]);
        for (std::string p; std::getline(list, p, ';');) {
            if (p.empty()) continue;
            if (p == "*.*") p = "*";  // every file, with or without an extension
            patterns += (patterns.empty() ? "" : " ") + p;
        }
        if (!patterns.empty()) out.push_back(parts[i] + " (" + patterns + ")");
    }
    return out;
}

bool TOpenDialog::Execute()
{
    QFileDialog dialog(DialogOwner());
    // The toolkit's own dialog, so that it looks and behaves the same everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(Saving() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(Saving() ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!FTitle.IsEmpty()) dialog.setWindowTitle(QString::fromStdString(FTitle.ToUtf8()));
    QStringList filters;
    for (const std::string& f : FileDialogNameFilters(FFilter)) filters << QString::fromStdString(f);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!FInitialDir.IsEmpty()) dialog.setDirectory(QString::fromStdString(FInitialDir.ToUtf8()));
    if (!FFileName.IsEmpty()) dialog.selectFile(QString::fromStdString(FFileName.ToUtf8()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    FFileName = AnsiString::FromUtf8(dialog.selectedFiles().front().toStdString());
    return true;
}
