#pragma once
/// The media manifest: every mesh, texture and sound file that the program's storage archive
/// carries, with what the registration code needs to know about it (series counts, texture
/// grids, sound channels) and what its stand-in should look or sound like. The build's media
/// generator makes one file per series member from this table and the packer stores them; the
/// engine and game read the same table.
///
/// Paths are archive names: relative, backslash-separated, under "media\". A series of Count
/// members is stored as X.ext, X2.ext, ... X{Count}.ext (member 0 is the plain name), the numbering
/// the resource registration applies to file names.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class QNMEDIAKIND : std::uint8_t { MESH, TEXTURE, SOUND };

/// Shape of a stand-in mesh. Each fills the entry's box exactly.
enum class QNMESHLOOK : std::uint8_t {
    BLOCK,       ///< plain block with a raised panel on top
    BEAM,        ///< open truss, long in x, end plates flush with the x faces
    JOINT,       ///< cube with a flange on every face
    PLATE,       ///< thin slab (doors, panels, wings)
    CYLINDER,    ///< upright cylinder (axis y)
    MISSILE,     ///< body along z with a nose cone at +z and fins at -z
    ROCK,        ///< lumpy closed rock; the member index varies the lumps
    CRYSTAL,     ///< faceted ore crystal; the member index varies the facets
    DEBRIS,      ///< bent plate fragment; the member index varies the bend
    SHIP,        ///< collector-ship hull: fuselage along +z, wings, engine pods at -z
    RAIDER,      ///< wedge hull with three engines at -z (the mercenary ship)
    FREIGHTER,   ///< long cargo hull with a bridge and engine block at -z
    DOCK,        ///< cradle: floor, back wall at +z, side rails
    TOWER,       ///< column with a head block
    HEADQUARTERS,///< block base, tower and antenna
    GENERATOR,   ///< drum base with a top plate
    RING,        ///< flat ring around y
    SPHERE,      ///< smooth sphere
    TURRET,      ///< base block with a drum on top
    GUNS,        ///< twin barrels along +z on a breech block
    DISH,        ///< shallow dish facing +y on a stalk
    ARROW,       ///< arrow pointing to -z
    STARS,       ///< sky section seen from inside: member 0 top cap, 1 band, 2 bottom cap
    CANOPY,      ///< cockpit frame of struts around the viewer
    FIGURE,      ///< suited figure (head, torso, arms, legs)
    SEAT,        ///< ejection seat: seat pan, back and rocket pack
    FLAME,       ///< flame cone along +z, crossed so it shows from every side
    FLASH,       ///< crossed quads, double-sided, for flashes and glows
    CANISTER,    ///< cylinder along z with end caps
    PORTAL,      ///< square frame in the x-y plane
    DISCS,       ///< stack of flat discs along z
    MINE,        ///< sphere with spikes
    STREAK,      ///< crossed cards along x, double-sided (beams)
    BERTH,       ///< open frame along x: back wall at +z, roof, front posts and rails (cargo port)
};

/// Picture of a stand-in texture.
enum class QNTEXLOOK : std::uint8_t {
    HULL,        ///< plated hull in the entry colour; member 1 is the highlighted variant
    ROCK,        ///< mottled rock
    ORE,         ///< crystal sparkle; the member index picks red, green, blue or yellow
    GLOW,        ///< soft round glow, alpha falling to the edge
    FLASH,       ///< star-shaped flash with alpha; one per grid cell
    FRAMES,      ///< animation: a fireball that grows and fades from cell to cell
    TUNNEL,      ///< hyperspace tunnel rings; the member index is the phase
    CELLS,       ///< icon sheet: every grid cell a different icon with its number in dots
    FONT,        ///< glyph atlas rasterised from a real font, code c in cell (c % 16, c / 16)
    BUTTON,      ///< framed button; cell 1 (or member 1) highlighted
    BACKDROP,    ///< full-screen picture: gradient, grid and frame
    STARS,       ///< star field on black
    BEAM,        ///< horizontal energy beam with alpha; one per cell
    RING,        ///< bright ring with alpha
    PANEL,       ///< HUD frame: translucent panel with a bright border
    METER,       ///< gauge: cell n shows fill level n of the grid
    LOGO,        ///< maker's emblem on black
    SPARK,       ///< small bright dot with alpha
    BARRIER,     ///< energy field; the cell index shifts its waves
    COMET,       ///< comet head and tail, long in u
    VISORTOP,    ///< helmet rim along the top edge, clear below it; thicker towards the corners
    VISORBOTTOM, ///< the same rim along the bottom edge
    POINTER,     ///< mouse pointer: outlined arrow, tip at the top-left corner, clear around it
};

/// Sound of a stand-in.
enum class QNSOUNDLOOK : std::uint8_t {
    HUM,         ///< engine or machine hum, loops seamlessly
    SNAP,        ///< weapon shot: noise crack over a falling tone
    BOOM,        ///< explosion: low rumble with a noise burst
    BEEP,        ///< short interface tone; the member index changes the pitch
    CLICK,       ///< button click
    ALARM,       ///< two-tone warning
    MUSIC,       ///< chord loop, seamless
    CHATTER,     ///< radio voice-like bursts; the member index varies the rhythm
    THUD,        ///< collision thump
    WHOOSH,      ///< rising filtered noise
    ZAP,         ///< buzzing energy beam
    BREATH,      ///< breathing, loops seamlessly
    HISS,        ///< thruster or missile hiss, loops seamlessly
    SERVO,       ///< mechanical whirr and clunk
    WELD,        ///< crackling sparks
};

/// Pixel format of a stand-in texture file.
enum class QNTEXFORMAT : std::uint8_t { A8R8G8B8, DXT1 };

/// One file (or numbered series of files) of the archive.
struct QNMEDIAENTRY {
    const char* Path;        ///< archive name of member 0
    QNMEDIAKIND Kind;
    std::uint8_t Count;      ///< members in the series, at least 1
    bool Inferred;           ///< the name follows the folder pattern of its neighbours; the game names only the resource
    std::uint8_t Look;       ///< QNMESHLOOK, QNTEXLOOK or QNSOUNDLOOK by Kind
    std::uint32_t Colour;    ///< main colour, 0xAARRGGBB

    // Meshes: the stand-in's bounding box in its own frame (connectors sit on its faces).
    float Min[3];
    float Max[3];

    // Textures.
    std::uint16_t Width, Height; ///< pixels, powers of two
    std::uint8_t Columns, Rows;  ///< cell grid that the code indexes (column = n % Columns, row = n / Columns)
    float GridWidth, GridHeight; ///< part of the texture the grid covers (the registration's cell extent), 1 = all
    QNTEXFORMAT Format;

    // Sounds.
    std::uint8_t Channels;   ///< 1 mono, 2 stereo
    bool Positional;         ///< played as a 3D sound, so it must be mono
    bool Loops;              ///< looped by the game: the end joins the start without a click
    float Seconds;           ///< length of one member
    float Pitch;             ///< base frequency in Hz
};

/// A resource name that differs from the title of the file it is registered from. A name may
/// appear once per kind (a texture and a mesh registered under one name).
struct QNMEDIAALIAS {
    const char* Name;        ///< resource name
    const char* Path;        ///< archive name of member 0
};

/// A cell of a picture grid that shows one thing the game names by an id (an item type id): the
/// stand-in draws the thing's pictogram and short name there, and the game finds the cell by id.
struct QNMEDIACELL {
    const char* Path;        ///< archive name of the texture
    std::uint8_t Cell;       ///< cell index (column = Cell % Columns, row = Cell / Columns)
    std::uint32_t Id;        ///< what the cell shows, in the game's numbering
    char32_t Symbol;         ///< pictogram: a character of the stand-in's symbol face
    const char* Caption;     ///< short name under the pictogram
};

/// Every entry, in archive order (oldest record first).
std::span<const QNMEDIAENTRY> MediaManifest();

/// Resource names registered from a file of another title.
std::span<const QNMEDIAALIAS> MediaAliases();

/// Every labelled grid cell.
std::span<const QNMEDIACELL> MediaCells();

/// The labelled cell of texture `path` that shows `id`, or null.
const QNMEDIACELL* FindMediaCell(std::string_view path, std::uint32_t id);

/// The label of cell `cell` of texture `path`, or null.
const QNMEDIACELL* MediaCellLabel(std::string_view path, int cell);

/// The entry whose member 0 is `path` (case-insensitive, '/' taken as '\'), or null.
const QNMEDIAENTRY* FindMedia(std::string_view path);

/// The entry of `kind` for a resource name (each kind has its own dictionary, so a texture and a
/// mesh may share a name): an alias, else the entry whose file title is the name
/// (case-insensitive); null when none.
const QNMEDIAENTRY* FindMediaByName(std::string_view name, QNMEDIAKIND kind);

/// Archive name of member `index` of a series: index 0 the plain name, index n the title
/// (trailing digits removed) followed by n + 1. A title that is empty or begins with a digit,
/// or a negative index, leaves the path unchanged.
std::string MediaMemberPath(std::string_view path, int index);

/// Number of archive records of one kind (series members counted one by one).
std::size_t MediaRecordCount(QNMEDIAKIND kind);

/// Number of archive records of all kinds.
std::size_t MediaRecordCount();
