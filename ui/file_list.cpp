#include "file_list.h"

#include <QFile>
#include <vector>

#include "file_attributes.h"
#include "file_system.h"
#include "folder_path.h"

namespace tolvane {

FileList::FileList(FileSystem& fileSystem, QWidget* parent)
    : QListWidget(parent), fileSystem_(fileSystem) {}

void FileList::setPath(const std::string& path) {
    const std::string folder = absoluteFolderPath(path);
    std::vector<std::string> names;
    for (std::string name = fileSystem_.startEnumeration(folderPrefix(folder) + "*", attribute_mask::kFiles);
         !name.empty(); name = fileSystem_.nextName()) {
        names.push_back(std::move(name));
    }
    clear();
    for (const std::string& name : names) {
        addItem(QFile::decodeName(QByteArray::fromStdString(name)));
    }
    path_ = folder;
}

}  // namespace tolvane
