#pragma once
/// The computer pilot in the game: a collector ship and the in-game scene behind the pilot's
/// interfaces, and the company's pilot object (InstallComputerPilots sets AICOMPANY::MakePilot).
///
/// Thrust. The ship's flight model keeps its speed from the throttle, so the pilot's pushes
/// along the nose become throttle: full throttle at kFullThrust, summed over a frame (the
/// throttle is cleared before each pilot step, as an applied force would be).

class AICOMPANY;
class AIPILOT;
class COMPANYPILOT;
class COLLSHIP;
class PILOTSHIP;

/// Thrust that gives full throttle: the route and dogfight cruising thrust.
inline constexpr float kFullThrust = 70.0f;

/// The pilot interface of `ship` (owned by the caller).
PILOTSHIP* MakePilotShip(COLLSHIP* ship);
/// The company's pilot (owned by the company).
COMPANYPILOT* MakeComputerPilot(AICOMPANY& company);
void InstallComputerPilots();
/// The computer pilot inside a company's pilot made by MakeComputerPilot (null for others).
AIPILOT* ComputerPilotOf(COMPANYPILOT* pilot);
