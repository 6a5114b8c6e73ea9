namespace zarvel {}
