#pragma once
/// The vehicles the companies create: fills the company makers (CompanyVehicles) with the
/// collector ship and the ejection seat, and gives the player's ship its HUD.

/// Installs the makers; call once before the companies run.
void InstallVehicleMakers();
