// TODO: being written
#pragma once
