// TODO: being written
