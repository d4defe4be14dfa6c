function(pravenor_add_resources target)
endfunction()
