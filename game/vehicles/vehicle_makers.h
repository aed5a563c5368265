#pragma once
/// The vehicles the companies create: fills the company makers (CompanyVehicles) with the
/// collector ship and the ejection seat, gives the player's ship its HUD and registers the makers
/// of the ship weapons.

/// Installs the makers; call once before the companies run.
void InstallVehicleMakers();

class QNRESOURCES;
/// Registers the media of every ship weapon (with the collector ship's media).
void LoadShipWeaponResources(QNRESOURCES& resources);
