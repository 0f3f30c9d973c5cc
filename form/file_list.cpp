#include "file_list.h"

#include <vector>

#include "file_attributes.h"
#include "file_system.h"
#include "folder_path.h"
#include "form_view.h"

namespace tolvane {

void FileList::setPath(const std::string& path) {
    const std::string folder = absoluteFolderPath(path);
    std::vector<ListRow> rows;
    for (std::string name =
             fileSystem_.startEnumeration(folderPrefix(folder) + "*", attribute_mask::kFiles);
         !name.empty(); name = fileSystem_.nextName()) {
        rows.push_back({std::move(name), ""});
    }
    view_.setRows(Control::Result_File, rows);
    path_ = folder;
}

}  // namespace tolvane
