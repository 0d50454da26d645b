"""The exceptions of the zav package: every failure of the library is one of these."""


class Error(Exception):
    """Base class of every zav failure."""


class LibraryNotFoundError(Error, OSError):
    """The shared library could not be found or loaded, or it is too old."""


class DeviceConnectionError(Error):
    """The device could not be reached, or the link to it was lost."""


class StateError(Error):
    """The call needs another device state (for example connected and idle)."""


class ReadTimeout(Error):
    """No whole block arrived in time while the device stayed connected."""


class ConfigurationError(Error):
    """The device refused or did not confirm a setting."""


class ImportFailed(Error):
    """An SD-card record could not be converted."""
