// A separate program run of the settings, for the tests that need two processes:
//   registry_process save FILE COMMENT   saves the settings as Function_Exit_Click does
//   registry_process load FILE           loads them as Form_Load does and prints them
//   registry_process write FILE NAME N   writes N values NAME0 .. NAME<N-1>, one by one
#include <cstdio>
#include <cstdlib>
#include <string>

#include "application_settings.h"
#include "c_registry.h"
#include "fake_settings_window.h"
#include "raised_error.h"
#include "registry_sqlite_store.h"

using namespace tolvane;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: registry_process save|load|write FILE ...\n");
        return 2;
    }
    const std::string command = argv[1];
    SqliteRegistryStore store(argv[2]);
    CRegistry Registry(store);
    testing::FakeSettingsWindow window;
    try {
        if (command == "save" && argc == 4) {
            window.AddComment = true;
            window.FileComment = argv[3];
            window.FileFilter = "*.log";
            window.UseFileFilter = true;
            window.SaveFilename = "/tmp/listing.txt";
            window.currentPath = "/usr";
            saveSettings(Registry, window);
        } else if (command == "load") {
            openSettingsKey(Registry);
            loadOptionSettings(Registry, window);
            loadLocationSettings(Registry, window);
            Registry.CloseKey();
            std::printf("%s|%d|%s|%d|%d|%s|%s|%s\n", window.FileComment.c_str(), window.AddComment,
                        window.FileFilter.c_str(), window.UseFileFilter,
                        window.RecurseSubdirectories, window.SaveFilename.c_str(),
                        window.currentDrive.c_str(), window.currentPath.c_str());
        } else if (command == "write" && argc == 5) {
            openSettingsKey(Registry);
            const int count = std::atoi(argv[4]);
            for (int i = 0; i < count; ++i) {
                Registry.WriteValue(argv[3] + std::to_string(i), std::to_string(i));
            }
            Registry.CloseKey();
        } else {
            std::fprintf(stderr, "unknown command\n");
            return 2;
        }
    } catch (const RaisedError& error) {
        std::fprintf(stderr, "%s: %s\n", error.source().c_str(), error.description().c_str());
        return 1;
    }
    return 0;
}
