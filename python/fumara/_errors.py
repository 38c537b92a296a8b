"""The exceptions of the fumara package (raised from the extension module too)."""


class FumaraError(Exception):
    """A file the package could not read or write: ``path``, a result ``code`` and the ``reason``."""

    action = "process"

    def __init__(self, path, code, reason):
        super().__init__(f"cannot {self.action} {path} (code {code}): {reason}")
        self.path, self.code, self.reason = path, code, reason

    def __reduce__(self):  # keeps the fields across processes (Dask sends failures back pickled)
        return type(self), (self.path, self.code, self.reason)


class LoadError(FumaraError):
    """A frame that did not load. ``code`` is the loader's result (3: the file cannot be opened or
    locked, or its extension is unknown; 4: broken file; 12: no footer; 2: plug-in absent; 9: no
    channel mappings) and ``reason`` what the loader logged about it."""

    action = "load"


class ConvertError(FumaraError):
    """A converted frame that was not written. ``code`` is the writer's result (1: a source channel
    does not decode; 2: the file cannot be written), ``path`` the destination."""

    action = "write"
