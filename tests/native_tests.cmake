# Fuzz targets are built on the host only; `make fuzz` and the short run in `make test` use them.
