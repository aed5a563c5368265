#include "app/game_setup.h"

#include <new>

#include "engine/app/qnapp.h"
#include "game/screens/logo.h"
#include "game/screens/main_menu.h"
#include "game/vehicles/explosion.h"
#include "game/world/game_globals.h"
#include "game/world/site.h"
#include "game/world/space.h"

namespace {

// Each maker builds one scene under the scene root; a scene that cannot be allocated is left out.
template <class SCENE>
QNSCENE* Make()
{
    return new (std::nothrow) SCENE(&QNSCENE::SceneRoot());
}

}  // namespace

void InstallGameLinks()
{
    SpaceMedia.Site = &SITE::RegisterMedia;
    SpaceMedia.Explosion = &EXPLOSION::LoadResources;
}

void CreateGame(QNAPPSETTINGS& settings)
{
    const GAMESETTINGS& g = GameSettings;
    settings.IconModule = settings.Instance;
    settings.IconId = g.IconId;
    settings.AcceleratorModule = settings.Instance;
    settings.AcceleratorCommand = g.AcceleratorCommand;
    settings.AcceleratorTable = g.AcceleratorTable;
    settings.Title = g.Title;
    settings.ExclusiveInput = g.ExclusiveInput;
    settings.DeveloperKeys = g.DeveloperKeys;
    settings.Device.FullScreen = g.FullScreen;
    settings.Device.CollisionCapacity = g.CollisionCapacity;
    settings.Device.ArchiveName = g.ArchiveName;
    settings.Device.BindingCount = g.BindingCount;
    settings.Device.DisplayMode.ScanLineReading = g.ScanLineReading;
    QNAPP::CopyDeviceSettings();

    InstallGameLinks();
    GameScenes.Logo = Make<LOGO>();
    GameScenes.MainMenu = Make<MAINMENU>();
    Make<SPACE>();
}
