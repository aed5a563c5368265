#pragma once
/// SITE: the node under which one company's world lives (ore field, station, crew and sun),
/// placed at one of four site frames. It keeps the company's target list, rebuilt each frame.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/scene/node_chain.h"
#include "game/world/target_list.h"

class CREW;
class OREFIELD;
class QNSUN;
class QNRESOURCES;

/// Node kind of a site.
inline constexpr std::int32_t kKindSite = 1;
/// Number of site placements.
inline constexpr std::uint32_t kSiteCount = 4;

/// The frame of site `index` (0-3): 2000 units from the origin along +x, +z, -x, -z.
QNMATRIX SiteMatrix(std::uint32_t index);

class SITE : public GAMENODE {
public:
    /// Builds the node at the site's frame, then the target list, the ore field, the station,
    /// the crew for that station and the sun (45 degrees azimuth and elevation).
    SITE(QNNODE* parent, std::uint32_t siteIndex, std::uint32_t view);
    ~SITE() override;

    /// Rebuilds the target list.
    void Update() override;
    /// Shown: shows the hidden arrivals (see AddHiddenArrival).
    void OnStateChanged(std::int32_t oldState, std::int32_t newState) override;

    /// Registers the media of the natural objects, the arrow marker and the site's textures.
    static void RegisterMedia(QNRESOURCES& resources);

    /// Remembers `node`, just attached here hidden because the site was not in the shown view:
    /// when the site is next shown, the node is shown with it (if it is still here and hidden).
    void AddHiddenArrival(GAMENODE* node);

    TARGETLIST& Targets() { return *targets_; }
    const TARGETLIST& Targets() const { return *targets_; }

    std::uint32_t ViewIndex = 0;       ///< the company's view 0-3
    QNWEAK<GAMENODE> Station;          ///< the station built at the site
    CREW* Crew = nullptr;              ///< owned as a child
    OREFIELD* OreField = nullptr;      ///< owned as a child
    QNSUN* Sun = nullptr;              ///< owned as a child
    std::uint32_t SiteIndex = 0;

    /// Builds the station of a site (set by the station code; none: the site has no station).
    using STATIONBUILDER = GAMENODE* (*)(SITE* site, const QNMATRIX& world, std::uint32_t view,
                                         TARGETLIST* targets);
    static inline STATIONBUILDER BuildStation = nullptr;
    /// Registers the station's media with the site's (set by the station code).
    static inline void (*RegisterStationMedia)(QNRESOURCES& resources) = nullptr;

private:
    std::unique_ptr<TARGETLIST> targets_;
    std::vector<QNWEAK<GAMENODE>> hiddenArrivals_;
};

/// Sun angles of a site, in degrees.
inline constexpr float kSiteSunAzimuth = 45.0f;
inline constexpr float kSiteSunElevation = 45.0f;
