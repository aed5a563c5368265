#pragma once
/// The station's weapons and weapon-store parts in the part factory: makers for every kind and
/// the registration of their media (and of the muzzle flash, explosion-free effects and shots
/// they make).

class QNRESOURCES;

/// Installs a maker for each weapon kind (and the early warning station and mercenary dock).
void InstallStationWeapons();
/// Registers the media of all of them.
void RegisterStationWeaponMedia(QNRESOURCES& resources);
